// SPDX-License-Identifier: MIT
// generate: writes a colour database of LINES lines to standard output, the
// same for the same seed: loose entries, or with --listed entries in the
// listing's own layout.
//
// usage: generate [--listed] LINES [SEED]

#include "random_lines.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const bool listed = argc > 1 && std::strcmp(argv[1], "--listed") == 0;
    argc -= listed;
    argv += listed;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: generate [--listed] LINES [SEED]\n");
        return 2;
    }
    const long long lines = std::atoll(argv[1]);
    tintlist_test::random_lines mix(argc == 3 ? static_cast<unsigned>(std::atol(argv[2])) : 1);
    for (long long i = 0; i < lines; ++i) {
        const std::string line = mix.usual(listed);
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
            std::perror("generate");
            return 1;
        }
    }
    if (std::fflush(stdout) != 0) {
        std::perror("generate");
        return 1;
    }
    return 0;
}
