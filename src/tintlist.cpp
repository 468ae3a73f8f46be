// tintlist: list a colour-name database in one normalised layout.
//
// usage: tintlist [name]
//
// Reads name.txt (./rgb.txt without exactly one argument), writes each colour
// entry to standard output as "rrr ggg bbb\t\tname" and reports each bad line
// on standard error with the database path and line number.

#include "colour_database.hpp"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace {

using tintlist::classify_line;
using tintlist::colour_entry;
using tintlist::line_outcome;

// A line keeps at most this many characters, as a 512-byte buffer would.
constexpr std::size_t line_limit = 511;

// A partial line is known to be too long once this many of its bytes are in
// hand without a newline: its limit, then a carriage return that may still
// start a CR LF pair.
constexpr std::size_t long_line_evidence = line_limit + 2;

constexpr std::size_t block_size = 64 * 1024;

// Names are copied in whole chunks: a fixed-size copy has no branch on the
// length, which varies from line to line and would mispredict. Both buffers
// keep a chunk of slack past their block, so that the copy of a name that
// ends near the end of a block stays inside the buffers.
constexpr std::size_t chunk = 32;
using block_buffer = std::array<char, block_size + chunk>;

void copy_name(char* to, std::string_view name) {
    for (std::size_t i = 0; i < name.size(); i += chunk)
        std::memcpy(to + i, name.data() + i, chunk);
}

// The Windows runtime's text mode already turns CR LF into LF; elsewhere the
// reader does the same, so a database lists alike on every platform.
#ifdef _WIN32
constexpr bool fold_crlf = false;
#else
constexpr bool fold_crlf = true;
#endif

// "  0 " to "255 ": each value right-aligned in three columns, then a blank.
constexpr auto padded_values = [] {
    std::array<std::array<char, 4>, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        table[v] = {v >= 100 ? char('0' + v / 100) : ' ', v >= 10 ? char('0' + v / 10 % 10) : ' ',
                    char('0' + v % 10), ' '};
    }
    return table;
}();

// Standard output, gathered into large blocks. After the first failed write
// nothing more is written.
struct output {
    block_buffer data;
    std::size_t used;
    bool failed;
};

struct listing {
    const char* program;
    const char* path; // the database path, for diagnostics
    std::int64_t line_number;
    output out;
};

enum class ending { end_of_file, read_failed, write_failed };

// Writes out what is gathered; after a failure it is dropped.
void flush_output(output& out) {
    if (out.used > 0 && !out.failed) {
        out.failed = std::fwrite(out.data.data(), 1, out.used, stdout) != out.used ||
                     std::fflush(stdout) != 0;
    }
    out.used = 0;
}

// Appends an entry whose name lies in a block_buffer.
void put_entry(output& out, const colour_entry& colour) {
    constexpr std::size_t fields = 3 * 4 + 1; // "rrr ggg bbb\t\t"
    const std::size_t length = fields + colour.name.size() + 1;
    if (block_size - out.used < length) flush_output(out);

    char* p = out.data.data() + out.used;
    std::memcpy(p, padded_values[colour.red].data(), 4);
    std::memcpy(p + 4, padded_values[colour.green].data(), 4);
    std::memcpy(p + 8, padded_values[colour.blue].data(), 3);
    std::memcpy(p + 11, "\t\t", 2);
    copy_name(p + fields, colour.name);
    p[length - 1] = '\n';
    out.used += length;
}

void report_line(listing& run, line_outcome outcome, std::string_view name) {
    // Diagnostics follow the entries listed before them, also when both
    // streams go to one place.
    flush_output(run.out);
    if (run.out.failed) return; // the listing stops at a failed write
    std::array<char, 24> number{};
    std::to_chars(number.data(), number.data() + number.size() - 1, run.line_number);
    if (outcome == line_outcome::syntax_error) {
        std::fprintf(stderr, "%s:  syntax error: %s:%s\n", run.program, run.path, number.data());
    } else {
        std::fprintf(stderr, "%s:  value for \"%.*s\" out of range: %s:%s\n", run.program,
                     static_cast<int>(name.size()), name.data(), run.path, number.data());
    }
}

// Lists one line of `length` bytes at `line`, not counting its newline, which
// follows in the buffer when `has_newline` is set. A line longer than the limit
// is judged by its first characters: a comment stays a comment; anything else
// is a syntax error, since no entry's name may be that long.
void list_line(listing& run, char* line, std::size_t length, bool has_newline) {
    ++run.line_number;
    if (has_newline && fold_crlf && length > 0 && line[length - 1] == '\r') --length;

    if (length > line_limit) {
        if (classify_line({line, line_limit}).outcome != line_outcome::skipped)
            report_line(run, line_outcome::syntax_error, {});
        return;
    }
    if (has_newline) line[length++] = '\n';

    const auto [outcome, colour] = classify_line({line, length});
    if (outcome == line_outcome::entry)
        put_entry(run.out, colour);
    else if (outcome != line_outcome::skipped)
        report_line(run, outcome, colour.name);
}

// Reads the database in large blocks and lists it line by line. The partial
// line at the end of a block moves to the front for the next read; once it is
// known to be too long it is listed and the rest of it passed over, so memory
// stays fixed whatever the length of a line. Everything it calls per line is
// inlined into its loop.
[[gnu::flatten]] ending list_database(std::FILE* database, listing& run) {
    block_buffer block{};
    std::size_t held = 0;      // bytes of a partial line at the front of block
    bool passing_over = false; // inside the unread rest of a long line
    for (;;) {
        // A read that fails part of the way through returns what it got,
        // which is listed; the listing ends there, since the next read would
        // start again past the bytes that were lost.
        const std::size_t got = std::fread(block.data() + held, 1, block_size - held, database);
        const bool read_failed = std::ferror(database) != 0;
        if (got == 0 && !read_failed) break;

        char* begin = block.data();
        char* const end = begin + held + got;
        while (!run.out.failed) {
            auto* newline = static_cast<char*>(std::memchr(begin, '\n', end - begin));
            if (newline == nullptr) break;
            if (!passing_over) list_line(run, begin, newline - begin, true);
            passing_over = false;
            begin = newline + 1;
        }
        if (run.out.failed) return ending::write_failed;
        if (read_failed) return ending::read_failed;

        held = end - begin;
        if (!passing_over && held >= long_line_evidence) {
            list_line(run, begin, held, false);
            passing_over = true;
        }
        if (passing_over) held = 0;
        std::memmove(block.data(), begin, held);
    }
    if (held > 0) list_line(run, block.data(), held, false);
    flush_output(run.out);
    return run.out.failed ? ending::write_failed : ending::end_of_file;
}

// Opens the database for reading in text mode. A directory counts as a file
// that cannot be opened, as it does on Windows.
std::FILE* open_database(const char* path) {
    std::FILE* database = std::fopen(path, "r");
    if (database == nullptr) return nullptr;
    struct stat status;
    if (fstat(fileno(database), &status) != 0 || S_ISDIR(status.st_mode)) {
        std::fclose(database);
        return nullptr;
    }
    return database;
}

// Lists the database `name` at `path`; returns the exit status.
int list(const char* program, const char* name, const char* path) {
    std::FILE* database = open_database(path);
    if (database == nullptr) {
        std::fprintf(stderr, "%s:  unable to open rgb database \"%s\"\n", program, name);
        return 1;
    }

    listing run;
    run.program = program;
    run.path = path;
    run.line_number = 0;
    run.out.used = 0;
    run.out.failed = false;

    const ending end = list_database(database, run);
    std::fclose(database); // a stream opened for reading holds nothing to lose

    if (end == ending::read_failed) {
        flush_output(run.out); // what was listed stays listed
        std::fprintf(stderr, "%s:  unable to read rgb database \"%s\"\n", program, name);
    }
    if (run.out.failed) std::fprintf(stderr, "%s:  unable to write standard output\n", program);
    return end == ending::end_of_file ? 0 : 1;
}

// The name ".txt" is appended to; returns null when no storage can be had.
char* database_path(const char* name) {
    const std::size_t length = std::strlen(name);
    auto* path = static_cast<char*>(std::malloc(length + sizeof ".txt"));
    if (path != nullptr) {
        std::memcpy(path, name, length);
        std::memcpy(path + length, ".txt", sizeof ".txt");
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    // An empty argument vector reaches Linux programs as "" for argv[0].
    const char* program =
        argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : "tintlist";
    const char* name = argc == 2 ? argv[1] : "./rgb";

    char* path = database_path(name);
    if (path == nullptr) {
        std::fprintf(stderr, "%s:  out of memory\n", program);
        return 1;
    }
    const int status = list(program, name, path);
    std::free(path);
    return status;
}
