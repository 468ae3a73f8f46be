// SPDX-License-Identifier: MIT
// interleave: runs two commands in turn, RUNS times each, with standard
// output and standard error sent to /dev/null, and prints the median wall
// time of each in microseconds and the ratio of the first to the second.
// Running them in turn, one run each, lets a slow spell of the machine fall
// on both alike.
//
// usage: interleave RUNS command [args...] -- command [args...]

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// The wall time of one run of argv, in seconds; exits on a failure to run.
double run_once(char** argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child;
    const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv, environ);
    int status = 0;
    if (error == 0 && waitpid(child, &status, 0) < 0) status = -1;
    const auto stop = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0 || status == -1) {
        std::fprintf(stderr, "interleave: cannot run %s: %s\n", argv[0],
                     std::strerror(error != 0 ? error : errno));
        std::exit(1);
    }
    if (status != 0) { // a failed run is not the run to be timed
        std::fprintf(stderr, "interleave: %s ended with status %d\n", argv[0], status);
        std::exit(1);
    }
    return std::chrono::duration<double>(stop - start).count();
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int split = 2;
    while (split < argc && std::strcmp(argv[split], "--") != 0) ++split;
    const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
    if (runs < 1 || split == 2 || split >= argc - 1) {
        std::fprintf(stderr, "usage: interleave RUNS command [args...] -- command [args...]\n");
        return 2;
    }
    argv[split] = nullptr;
    char** const first = argv + 2;
    char** const second = argv + split + 1;

    for (int i = 0; i < 20; ++i) run_once(first), run_once(second); // warm caches
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        // Each goes first in every other pair.
        if (i % 2 == 0) {
            a.push_back(run_once(first));
            b.push_back(run_once(second));
        } else {
            b.push_back(run_once(second));
            a.push_back(run_once(first));
        }
    }
    const double ma = median(a), mb = median(b);
    std::printf("%.1f %.1f %.4f\n", ma * 1e6, mb * 1e6, ma / mb);
    return 0;
}
