// SPDX-License-Identifier: MIT
// count_outcomes: a client of the library's database reader that only counts
// the lines of each outcome, for the benchmark to time beside the command.
//
// usage: count_outcomes [name]   (reads name.txt, or ./rgb.txt)

#include <tintlist/colour_database.hpp>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const std::string path = std::string(argc == 2 ? argv[1] : "./rgb") + ".txt";
    auto reader = tintlist::database_reader::open(path.c_str());
    if (reader.error() != 0) {
        std::fprintf(stderr, "count_outcomes: cannot open %s\n", path.c_str());
        return 1;
    }
    // Four counters rather than an array indexed by outcome, whose increments
    // of one element after another would wait on each other.
    using tintlist::line_outcome;
    long long entries = 0, out_of_range = 0, skipped = 0, syntax_errors = 0;
    for (const tintlist::database_line& line : reader) {
        entries += line.outcome == line_outcome::entry;
        out_of_range += line.outcome == line_outcome::out_of_range;
        skipped += line.outcome == line_outcome::skipped;
        syntax_errors += line.outcome == line_outcome::syntax_error;
    }
    std::printf("%lld entries, %lld out of range, %lld skipped, %lld syntax errors\n", entries,
                out_of_range, skipped, syntax_errors);
    return reader.read_failed() ? 1 : 0;
}
