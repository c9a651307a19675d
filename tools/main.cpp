// The zolsax2 command: everything but the process's streams lives in run().
#include "Tool.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return zolsax2::run(args, std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
