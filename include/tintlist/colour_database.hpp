// SPDX-License-Identifier: MIT
// Reading colour-name databases, as the tintlist command reads them.
//
// A database line is "red green blue name": three decimal integers and the
// rest of the line as the name; a line that begins with '!' is a comment.
// database_reader reads a whole database, from a file, a file descriptor or
// text in memory, and hands over every line with its number and its
// classification. classify_line classifies one line of text from anywhere
// else. Neither throws, and classify_line allocates nothing.
#pragma once

#if __cplusplus < 201703L && !(defined(_MSVC_LANG) && _MSVC_LANG >= 201703L)
#error "<tintlist/colour_database.hpp> needs C++17 or later"
#endif

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The version, which project(VERSION) in CMakeLists.txt also gives: a test
// holds the two together.
#define TINTLIST_VERSION_MAJOR 2
#define TINTLIST_VERSION_MINOR 0
#define TINTLIST_VERSION_PATCH 0

namespace tintlist {

enum class line_outcome { entry, out_of_range, skipped, syntax_error };

struct colour_entry {
    std::int32_t red, green, blue;
    std::string_view name; // points into the classified text
};

struct classified_line {
    line_outcome outcome;
    colour_entry colour; // set for entry and out_of_range
};

// Classifies one line, given with its newline if it has one, as it stands.
//
// The text is read up to its first NUL byte. It is a colour entry when it
// holds, in order: three integers, each after optional white space (blank,
// tab, newline, vertical tab, form feed, carriage return) and written as an
// optional sign and one or more decimal digits; then optional white space;
// then the name, which runs up to the first newline or the end of the text.
// An entry is `entry` when every value lies in 0..255 and `out_of_range`
// otherwise; a value too large for 32 bits is held saturated. A text that is
// not an entry is `skipped` when its first byte is '!' or it is empty, and
// `syntax_error` otherwise.
//
// The text is taken whole: cutting a file into lines is the reader's work.
// Given several lines, classify_line reads on past the first newline while
// it is still looking for a number or the name.
[[nodiscard]] classified_line classify_line(std::string_view text) noexcept;

// The longest line, in characters not counting its newline, that the
// reader classifies by its text; a longer one is judged by its first byte.
inline constexpr std::size_t line_limit = 511;

// How far past the end of a line handed over by database_reader, name
// included, a program may read: the reader's buffer holds that many bytes
// more, whatever they are, so that a name can be copied in whole chunks.
inline constexpr std::size_t readable_slack = 64;

// A line of a database: its classification and its number.
struct database_line : classified_line {
    std::int64_t number; // counting from 1
};

// A reader's buffer and the place reached in it: the library's own.
struct reader_state;

// Reads a database from its first line to its last, as the tintlist command
// does:
// - A line ends after its newline; the last line needs none. A CR LF ends a
//   line as a newline does: text in memory is read so everywhere, and so is
//   a descriptor off Windows; on Windows, open it in text mode (as open()
//   does), which reads CR LF as a newline and ends the file at a Ctrl-Z
//   byte. Text in memory ends at a Ctrl-Z byte there too.
// - A line of more than line_limit characters is still one line: skipped
//   when it begins with '!' or a NUL, else a syntax error, as no name can
//   be so long.
// - Any other line is classified by classify_line, which reads up to its
//   first NUL byte.
//
// A reader reads a block at a time into a buffer of its own, allocated once
// when it is made, so memory stays the same however long the database or
// its lines; the object itself is small. It throws nothing; a failed open,
// read or allocation ends the database, and error() says why. A reader may
// be moved; it is not to be shared between threads.
//
//     auto reader = tintlist::database_reader::open("rgb.txt");
//     for (const tintlist::database_line& line : reader)
//         ...
//     if (reader.error() != 0) ...
class database_reader {
  public:
    // Reads the database file at path, opened for reading as the tintlist
    // command opens it: in text mode on Windows, and a folder refused (with
    // EISDIR). The reader closes it.
    [[nodiscard]] static database_reader open(const char* path) noexcept;
    // Reads the database held by text, which must outlive the reader: a
    // temporary string is refused when compiling.
    [[nodiscard]] static database_reader from_text(std::string_view text) noexcept;
    [[nodiscard]] static database_reader from_text(const char* text) noexcept {
        return from_text(std::string_view(text));
    }
    static database_reader from_text(const std::string&& text) = delete;
    // Reads from the file descriptor fd, open for reading; closing it stays
    // the caller's.
    explicit database_reader(int fd) noexcept;

    database_reader(database_reader&& other) noexcept;
    database_reader& operator=(database_reader&& other) noexcept;
    ~database_reader();

    // The next line of the database, or null at its end and once reading
    // has failed. The line, and its name in the reader's buffer, stay valid
    // until the next call.
    [[nodiscard]] const database_line* next() noexcept {
        return next_ != held_ ? next_++ : refill();
    }

    // 0, or the errno value of the open, read or allocation that failed:
    // the lines before the failure were handed over, and none after it.
    [[nodiscard]] int error() const noexcept { return error_; }
    [[nodiscard]] bool read_failed() const noexcept { return error_ != 0; }

    // The lines from the next one on, for a range-for: begin() takes the
    // next line.
    struct iterator {
        database_reader* reader;
        const database_line* line; // null at the end
        const database_line& operator*() const noexcept { return *line; }
        const database_line* operator->() const noexcept { return line; }
        iterator& operator++() noexcept {
            line = reader->next();
            return *this;
        }
        bool operator==(const iterator& other) const noexcept { return line == other.line; }
        bool operator!=(const iterator& other) const noexcept { return line != other.line; }
    };
    [[nodiscard]] iterator begin() noexcept { return {this, next()}; }
    [[nodiscard]] iterator end() noexcept { return {this, nullptr}; }

  private:
    database_reader(int fd, bool owned, std::string_view text, int error) noexcept;
    // Takes in the lines that follow and hands over the first, or returns
    // null when there are none.
    const database_line* refill() noexcept;

    const database_line* next_ = nullptr; // the lines in hand not handed over,
    const database_line* held_ = nullptr; // up to here
    reader_state* state_ = nullptr;       // null when moved from, or not made
    int error_ = 0;
};

} // namespace tintlist

// The colour table, found by name and by likeness, comes with the reader.
#include <tintlist/colour_table.hpp>
