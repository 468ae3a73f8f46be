// SPDX-License-Identifier: MIT
// tintlist: list a colour-name database in one normalised layout.
//
// usage: tintlist [name]
//
// Reads name.txt (./rgb.txt without exactly one argument), writes each colour
// entry to standard output as "rrr ggg bbb\t\tname" and reports each bad line
// on standard error with the database path and line number. The library's
// database_reader does the reading.

#include <tintlist/colour_database.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

using tintlist::database_line;
using tintlist::line_outcome;

constexpr std::size_t output_size = 128 * 1024, first_output_limit = 4 * 1024;

// Names are copied in whole chunks: a fixed-size copy has no branch on the
// length, which varies from line to line and would mispredict. The reader
// lets a name be read readable_slack bytes past its end. The output buffer
// needs no slack for them: a name is shorter than a line, so its chunks,
// and the newline after it, end within line_limit + 1 bytes, which
// put_entry keeps room for.
constexpr std::size_t name_chunk = 32;
static_assert(name_chunk <= tintlist::readable_slack);
static_assert((tintlist::line_limit + 1) % name_chunk == 0);

void copy_name(char* to, std::string_view name) {
    std::memcpy(to, name.data(), name_chunk); // a name has at least one byte
    for (std::size_t i = name_chunk; i < name.size(); i += name_chunk)
        std::memcpy(to + i, name.data() + i, name_chunk);
}

// "  0 " to "255 ": each value right-aligned in three columns, then a blank,
// from a table rather than worked out for each entry.
constexpr auto padded_values = [] {
    std::array<std::array<char, 4>, 256> table{};
    for (unsigned v = 0; v < 256; ++v)
        table[v] = {v >= 100 ? char('0' + v / 100) : ' ', v >= 10 ? char('0' + v / 10 % 10) : ' ',
                    char('0' + v % 10), ' '};
    return table;
}();

// A listing: its names for diagnostics, and standard output, gathered into
// large blocks. After the first failed write nothing more is written.
struct listing {
    const char* program;
    const char* path; // the database path
    char* data;       // output_size bytes
    std::size_t used;
    // Written out past this, which starts small and doubles up to
    // output_size: a short listing then touches few of its pages. A
    // terminal has 0, so that each entry shows as soon as it is listed.
    std::size_t limit;
    bool failed;
    bool errors_lost; // a diagnostic could not be written
};

// Writes all of size bytes at p to fd; false when a write fails.
bool write_all(int fd, const char* p, std::size_t size) {
    while (size > 0) {
#ifdef _WIN32
        const long done = _write(fd, p, static_cast<unsigned>(size));
#else
        const long done = write(fd, p, size);
        if (done < 0 && errno == EINTR) continue;
#endif
        if (done <= 0) return false;
        p += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

// Writes out what is gathered; after a failure it is dropped.
void flush_output(listing& out) {
    if (out.used > 0 && !out.failed) out.failed = !write_all(1, out.data, out.used);
    out.used = 0;
    out.limit = std::min(2 * out.limit, output_size);
}

// Appends an entry whose name lies in the reader's buffer, then writes out
// what is gathered if the longest entry, name chunks included, might not
// fit after it.
void put_entry(listing& out, const tintlist::colour_entry& colour) {
    constexpr std::size_t fields = 3 * 4 + 1; // "rrr ggg bbb\t\t"
    constexpr std::size_t longest = fields + tintlist::line_limit + 1;

    // The values lie in 0..255: as unsigned they index without widening.
    const auto padded = [](std::int32_t value) {
        return padded_values[static_cast<std::uint32_t>(value)].data();
    };
    const std::size_t length = fields + colour.name.size() + 1;
    char* p = out.data + out.used;
    std::memcpy(p, padded(colour.red), 4);
    std::memcpy(p + 4, padded(colour.green), 4);
    std::memcpy(p + 8, padded(colour.blue), 4);
    std::memcpy(p + 11, "\t\t", 2); // over the blank after blue
    copy_name(p + fields, colour.name);
    p[length - 1] = '\n';
    out.used += length;
    if (out.used + longest > out.limit) flush_output(out);
}

// Writes one diagnostic line to standard error, made of these parts; false
// when it cannot be written. A line is written whole where it fits in the
// gathering buffer, so that it is not torn apart by other writers.
bool report(std::initializer_list<std::string_view> parts) {
    char line[1024];
    std::size_t used = 0;
    bool written = true;
    for (std::string_view part : parts) {
        while (!part.empty()) {
            if (used == sizeof line) {
                written = write_all(2, line, used) && written;
                used = 0;
            }
            const std::size_t n = std::min(part.size(), sizeof line - used);
            std::memcpy(line + used, part.data(), n);
            used += n;
            part.remove_prefix(n);
        }
    }
    return write_all(2, line, used) && written;
}

void report_line(listing& state, const database_line& line) {
    // Diagnostics follow the entries listed before them, also when both
    // streams go to one place.
    flush_output(state);
    if (state.failed) return; // the listing stops at a failed write
    std::array<char, 24> digits;
    const auto number = std::string_view(
        digits.data(), std::to_chars(digits.begin(), digits.end(), line.number).ptr);
    const bool written =
        line.outcome == line_outcome::syntax_error
            ? report({state.program, ":  syntax error: ", state.path, ":", number, "\n"})
            : report({state.program, ":  value for \"", line.colour.name,
                      "\" out of range: ", state.path, ":", number, "\n"});
    state.errors_lost |= !written;
}

// Lists the open database `name` at `path`; returns the exit status. The
// whole listing is one loop, flattened, since calls in it cost; it is kept
// apart from main, where the stack protector would guard every pass.
[[gnu::flatten, gnu::noinline]] int list_database(const char* program, const char* name,
                                                  const char* path,
                                                  tintlist::database_reader& reader) {
    // The output has static storage: on the stack it would put every other
    // local and call far below the top, on pages of their own.
    static char output_data[output_size];
#ifdef _WIN32
    const bool terminal = _isatty(1) != 0;
#else
    const bool terminal = isatty(1) != 0;
#endif
    listing state{program, path, output_data, 0, terminal ? 0 : first_output_limit, false, false};
    // The listing stops at a failed write, reading no further.
    while (const database_line* line = reader.next()) {
        if (line->outcome == line_outcome::entry)
            put_entry(state, line->colour);
        else if (line->outcome != line_outcome::skipped)
            report_line(state, *line);
        if (state.failed) break;
    }

    flush_output(state); // what was listed stays listed
    if (reader.read_failed() && !state.failed)
        report({program, ":  unable to read rgb database \"", name, "\"\n"});
    if (state.failed) report({program, ":  unable to write standard output\n"});
    // A diagnostic that was lost cannot be reported, but it fails the run.
    const bool whole = !reader.read_failed() && !state.failed;
    return whole && !state.errors_lost ? 0 : 1;
}

// Opens the database `name`: its path, the name with ".txt" appended, is
// written into path, which holds the longest path the platform opens; a
// longer one is refused, as the platform itself would refuse it.
tintlist::database_reader open_database(const char* name, char (&path)[PATH_MAX]) {
    const std::size_t length = std::strlen(name);
    if (length + sizeof ".txt" > sizeof path) return tintlist::database_reader(-1);
    std::memcpy(path, name, length);
    std::memcpy(path + length, ".txt", sizeof ".txt");
    return tintlist::database_reader::open(path);
}

} // namespace

int main(int argc, char** argv) {
    // An empty argument vector reaches Linux programs as "" for argv[0].
    const char* program =
        argc > 0 && argv[0] != nullptr && argv[0][0] != '\0' ? argv[0] : "tintlist";
    const char* name = argc == 2 ? argv[1] : "./rgb";
    char path[PATH_MAX];
    tintlist::database_reader reader = open_database(name, path);
    if (reader.error() != 0) {
        report({program, ":  unable to open rgb database \"", name, "\"\n"});
        return 1;
    }
    return list_database(program, name, path, reader);
}
