// Runs a program and prints its peak resident memory in kilobytes. A process forked from a large
// one starts with that one's peak (the benchmarks hold hundreds of megabytes), so the benchmarks
// start this small program, and it forks the measured one from its own small image.
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: figurant-peak-probe program [arguments...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}
