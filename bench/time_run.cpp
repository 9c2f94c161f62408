// time_run: runs a command several times as a whole process (standard
// output to /dev/null) and prints the median CPU time (user + system), the
// median wall time and the largest peak resident memory, one line:
//   cpu_s wall_s peak_kib
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <string_view>
#include <vector>

static double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

int main(int argc, char** argv) {
    if (argc < 4 || std::string_view(argv[2]) != "--") {
        std::fprintf(stderr, "usage: %s RUNS -- command [args...]\n", argv[0]);
        return 2;
    }
    int runs = std::atoi(argv[1]);
    if (runs < 1) runs = 1;
    std::vector<double> cpu, wall;
    long peak = 0;
    for (int r = 0; r < runs; r++) {
        timespec t0, t1;
        clock_gettime(CLOCK_MONOTONIC, &t0);
        pid_t pid = fork();
        if (pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(argv[3], argv + 3);
            _exit(127);
        }
        int status = 0;
        rusage ru{};
        if (wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s failed (status %d)\n", argv[3], status);
            return 1;
        }
        clock_gettime(CLOCK_MONOTONIC, &t1);
        cpu.push_back(seconds(ru.ru_utime) + seconds(ru.ru_stime));
        wall.push_back(static_cast<double>(t1.tv_sec - t0.tv_sec) +
                       static_cast<double>(t1.tv_nsec - t0.tv_nsec) * 1e-9);
        peak = std::max(peak, ru.ru_maxrss);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    std::printf("%.4f %.4f %ld\n", cpu[cpu.size() / 2], wall[wall.size() / 2], peak);
    return 0;
}
