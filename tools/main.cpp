// The zolsax2 command: everything but the process's streams and heap lives in run().
#include "HeapTuning.h"
#include "Tool.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    zolsax2::HeapTuning::enableForProcess();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return zolsax2::run(args, std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
