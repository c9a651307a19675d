// Runs one command and measures it: zolbench-measure OUTPUT COMMAND [ARG...]
//
// The command's standard output and standard error go to OUTPUT. Prints one line
// "seconds=S maxrss_kib=K status=X cpu=C": wall-clock seconds from start to exit, the
// command's peak resident set size, its exit status and the processor seconds it used (user
// and system, all threads), which other work on the machine disturbs far less than wall time.

#include <chrono>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: zolbench-measure OUTPUT COMMAND [ARG...]\n");
        return 2;
    }
    const int output = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output < 0) {
        std::perror(argv[1]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        dup2(output, 1);
        dup2(output, 2);
        close(output);
        execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    close(output);
    int status = 0;
    struct rusage usage;
    std::memset(&usage, 0, sizeof usage);
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 2;
    }
    const auto stop = std::chrono::steady_clock::now();
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("seconds=%.4f maxrss_kib=%ld status=%d cpu=%.4f\n", std::chrono::duration<double>(stop - start).count(),
                usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), cpu);
    return 0;
}
