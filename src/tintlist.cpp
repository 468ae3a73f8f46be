// SPDX-License-Identifier: MIT
// tintlist: list a colour-name database in one normalised layout.
//
// usage: tintlist [name]
//
// Reads name.txt (./rgb.txt without exactly one argument), writes each colour
// entry to standard output as "rrr ggg bbb\t\tname" and reports each bad line
// on standard error with the database path and line number. On a terminal
// the values of each entry stand on a swatch of its colour. The library's
// database_reader does the reading.

#include <tintlist/colour_database.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

// What the command needs of its platform: writing to a descriptor, which
// may write only part of what it is given, or fail (-1), and asking of
// standard output whether it is a terminal, and one that takes SGR
// sequences: Windows asks its console for them, and an old one refuses.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

namespace {

long write_some(int fd, const char* p, std::size_t size) {
    return _write(fd, p, static_cast<unsigned>(size));
}

bool output_is_terminal() {
    return _isatty(1) != 0;
}

bool console_paints() {
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) != 0 &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

} // namespace
#else
#include <unistd.h>

namespace {

long write_some(int fd, const char* p, std::size_t size) {
    long done;
    do done = write(fd, p, size);
    while (done < 0 && errno == EINTR);
    return done;
}

bool output_is_terminal() {
    return isatty(1) != 0;
}

bool console_paints() {
    return true;
}

} // namespace
#endif

namespace {

using tintlist::database_line;
using tintlist::line_outcome;

constexpr std::size_t output_size = 128 * 1024;
constexpr std::size_t first_output_limit = 4 * 1024;

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

// How entries are painted: not at all, in the colours of xterm's palette
// of 256, or in 24-bit colour.
enum class paint { none, palette, direct };

// A listing: its names for diagnostics, and standard output, gathered into
// large blocks. After the first failed write nothing more is written.
struct listing {
    const char* program;
    const char* path; // the database path
    char* data;       // output_size bytes
    std::size_t used;
    // Written out past this, which starts small and doubles up to
    // output_size, as the reader's reads do: a short listing then touches
    // few of its pages. A terminal has 0, so that each entry shows as soon
    // as it is listed.
    std::size_t limit;
    bool failed;
    bool errors_lost; // a diagnostic could not be written
};

// True when the environment variable is set to other than "" (or `off`).
bool is_set(const char* variable, const char* off = "") {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, off) != 0;
}

bool is(const char* variable, const char* value) {
    const char* set = std::getenv(variable);
    return set != nullptr && std::strcmp(set, value) == 0;
}

// Whether and how to paint standard output, as the conventions have it:
// never with NO_COLOR; on a terminal unless TERM is dumb; elsewhere only
// with CLICOLOR_FORCE (but "0"), which also overrides TERM; in 24-bit colour
// where COLORTERM says the terminal has it.
paint swatches_for(bool terminal) {
    const bool forced = is_set("CLICOLOR_FORCE", "0");
    if (!forced && (!terminal || is("TERM", "dumb"))) return paint::none;
    if (is_set("NO_COLOR") || (terminal && !console_paints())) return paint::none;
    return is("COLORTERM", "truecolor") || is("COLORTERM", "24bit") ? paint::direct
                                                                    : paint::palette;
}

char* put_text(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

char* put_number(char* p, int value) {
    return std::to_chars(p, p + 3, value).ptr;
}

// The longest SGR sequences around the values of an entry.
constexpr std::string_view unpainted = "\x1b[0m";
constexpr std::size_t swatch_room = sizeof "\x1b[48;2;255;255;255;38;5;231m" + unpainted.size();

// Writes at p the SGR sequence that paints a swatch of the colour, with
// black or white text, whichever contrasts more; returns its end. The text
// colours are the palette's own black and white, which no theme changes.
char* put_swatch(char* p, const tintlist::colour_entry& colour, paint how) {
    const int red = colour.red;
    const int green = colour.green;
    const int blue = colour.blue;
    p = put_text(p, "\x1b[48;");
    if (how == paint::direct) {
        p = put_number(put_text(p, "2;"), red);
        p = put_number(put_text(p, ";"), green);
        p = put_number(put_text(p, ";"), blue);
    } else {
        p = put_number(put_text(p, "5;"), tintlist::xterm_palette_index(red, green, blue));
    }
    const bool black = tintlist::black_text_contrasts_more(red, green, blue);
    return put_text(p, black ? ";38;5;16m" : ";38;5;231m");
}

// Writes all of size bytes at p to fd; false when a write fails.
bool write_all(int fd, const char* p, std::size_t size) {
    while (size > 0) {
        const long done = write_some(fd, p, size);
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

// Writes at p the three values of an entry, each in three columns and
// followed by a blank, the last of which the next part overwrites.
void put_values(char* p, const tintlist::colour_entry& colour) {
    // The values lie in 0..255: as unsigned they index without widening.
    const auto padded = [](std::int32_t value) {
        return padded_values[static_cast<std::uint32_t>(value)].data();
    };
    std::memcpy(p, padded(colour.red), 4);
    std::memcpy(p + 4, padded(colour.green), 4);
    std::memcpy(p + 8, padded(colour.blue), 4);
}

// Writes at p the two tabs, the name and the newline that end an entry;
// returns their end.
char* put_name(char* p, std::string_view name) {
    std::memcpy(p, "\t\t", 2);
    copy_name(p + 2, name);
    p[2 + name.size()] = '\n';
    return p + 2 + name.size() + 1;
}

// Writes out what is gathered if the longest entry, name chunks and swatch
// included, might not fit after it.
void keep_room(listing& out) {
    constexpr std::size_t longest = swatch_room + 3 * 4 + 1 + tintlist::line_limit + 1;
    if (out.used + longest > out.limit) flush_output(out);
}

// Appends an entry whose name lies in the reader's buffer.
void put_entry(listing& out, const tintlist::colour_entry& colour) {
    char* const p = out.data + out.used;
    put_values(p, colour);
    out.used = static_cast<std::size_t>(put_name(p + 11, colour.name) - out.data);
    keep_room(out);
}

// Appends an entry with its values on a swatch.
void put_painted_entry(listing& out, const tintlist::colour_entry& colour, paint swatches) {
    char* p = put_swatch(out.data + out.used, colour, swatches);
    put_values(p, colour);
    p = put_name(put_text(p + 11, unpainted), colour.name);
    out.used = static_cast<std::size_t>(p - out.data);
    keep_room(out);
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

// Lists the lines of the database, each entry put by `put`. The listing
// stops at a failed write, reading no further.
template <class Put>
void list_lines(listing& state, tintlist::database_reader& reader, Put put) {
    while (const database_line* line = reader.next()) {
        if (line->outcome == line_outcome::entry)
            put(state, line->colour);
        else if (line->outcome != line_outcome::skipped)
            report_line(state, *line);
        if (state.failed) break;
    }
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
    const bool terminal = output_is_terminal();
    listing state{program, path, output_data, 0, terminal ? 0 : first_output_limit, false, false};
    // A painted listing has a loop of its own: the test in the plain one's
    // would slow it down.
    const paint swatches = swatches_for(terminal);
    if (swatches == paint::none)
        list_lines(state, reader, put_entry);
    else
        list_lines(state, reader, [swatches](listing& out, const tintlist::colour_entry& colour) {
            put_painted_entry(out, colour, swatches);
        });

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
