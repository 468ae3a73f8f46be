// SPDX-License-Identifier: MIT
// A program of another project that lists a colour-name database as the
// tintlist command does, through the library's reader.
//
// usage: consumer [name]   (reads name.txt, or ./rgb.txt)
#include <tintlist/colour_database.hpp>

#include <cinttypes>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const char* program = argc > 0 && argv[0][0] != '\0' ? argv[0] : "tintlist";
    const char* name = argc == 2 ? argv[1] : "./rgb";
    const std::string path = std::string(name) + ".txt";
    auto reader = tintlist::database_reader::open(path.c_str());
    if (reader.error() != 0) {
        std::fprintf(stderr, "%s:  unable to open rgb database \"%s\"\n", program, name);
        return 1;
    }

    bool lost = false; // a diagnostic could not be written
    for (const tintlist::database_line& line : reader) {
        const tintlist::colour_entry& colour = line.colour;
        const int size = static_cast<int>(colour.name.size());
        if (line.outcome == tintlist::line_outcome::entry) {
            std::printf("%3d %3d %3d\t\t%.*s\n", colour.red, colour.green, colour.blue, size,
                        colour.name.data());
            continue;
        }
        std::fflush(stdout); // diagnostics follow the entries before them
        if (line.outcome == tintlist::line_outcome::syntax_error)
            lost |= std::fprintf(stderr, "%s:  syntax error: %s:%" PRId64 "\n", program,
                                 path.c_str(), line.number) < 0;
        else if (line.outcome == tintlist::line_outcome::out_of_range)
            lost |= std::fprintf(stderr, "%s:  value for \"%.*s\" out of range: %s:%" PRId64 "\n",
                                 program, size, colour.name.data(), path.c_str(), line.number) < 0;
    }

    int status = lost ? 1 : 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s:  unable to write standard output\n", program);
        status = 1;
    } else if (reader.read_failed()) {
        std::fprintf(stderr, "%s:  unable to read rgb database \"%s\"\n", program, name);
        status = 1;
    }
    return status;
}
