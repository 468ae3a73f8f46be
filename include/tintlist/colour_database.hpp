// SPDX-License-Identifier: MIT
// Reading colour-name databases, as the tintlist command reads them.
//
// A database line is "red green blue name": three decimal integers and the
// rest of the line as the name; a line that begins with '!' is a comment.
// database_reader reads a whole database, from a file descriptor or from
// text in memory, and hands over every line with its number and its
// classification. classify_line classifies one line of text from anywhere
// else. Neither allocates or throws.
#pragma once

#if __cplusplus < 201703L && !(defined(_MSVC_LANG) && _MSVC_LANG >= 201703L)
#error "<tintlist/colour_database.hpp> needs C++17 or later"
#endif

#include <cstddef>
#include <cstdint>
#include <string_view>

// The version, which project(VERSION) in CMakeLists.txt also gives: a test
// holds the two together.
#define TINTLIST_VERSION_MAJOR 1
#define TINTLIST_VERSION_MINOR 2
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

// Reads a database from its first line to its last, as the tintlist command
// does:
// - A line ends after its newline; the last line needs none. A CR LF ends a
//   line as a newline does: text in memory is read so everywhere, and so is
//   a descriptor off Windows; on Windows, open it in text mode (as
//   open_database does), which reads CR LF as a newline and ends the file
//   at a Ctrl-Z byte. Text in memory ends at a Ctrl-Z byte there too.
// - A line of more than line_limit characters is still one line: skipped
//   when it begins with '!' or a NUL, else a syntax error, as no name can
//   be so long.
// - Any other line is classified by classify_line, which reads up to its
//   first NUL byte.
//
// The reader reads a block at a time into a buffer of its own, inside the
// object (about 140 KiB: give it static storage, or put it on the heap for
// a thread with a small stack), so memory stays the same however long the
// database or its lines. It allocates nothing and throws nothing.
//
//     tintlist::database_reader reader(fd);
//     while (const tintlist::database_line* line = reader.next())
//         ...
//     if (reader.read_failed()) ...
class database_reader {
  public:
    // Reads from the file descriptor fd, open for reading; closing it stays
    // the caller's.
    explicit database_reader(int fd) noexcept;
    // Reads the database held by text, which must outlive the reader.
    explicit database_reader(std::string_view text) noexcept;
    database_reader(const database_reader&) = delete;
    database_reader& operator=(const database_reader&) = delete;

    // The next line of the database, or null at its end and once a read
    // has failed. The line, and its name in the reader's buffer, stay valid
    // until the next call.
    [[nodiscard]] const database_line* next() noexcept {
        return next_ != held_ ? next_++ : refill();
    }

    // True when reading the descriptor failed: the lines before the failure
    // were handed over, and none after it.
    [[nodiscard]] bool read_failed() const noexcept { return failed_; }

    // Reads take first_read_size bytes, and each one after it twice as
    // many, up to block_size: a small database then touches few pages.
    static constexpr std::size_t block_size = 128 * 1024;
    static constexpr std::size_t first_read_size = 4096;

  private:
    // Takes in the lines that follow and hands over the first, or returns
    // null when there are none.
    const database_line* refill() noexcept;
    std::size_t cut() noexcept;
    std::size_t read() noexcept;

    // An unfinished line is known to be too long once line_limit + 2 of its
    // bytes are in hand: its limit, then a CR that may still start a CR LF.
    // Only a shorter one is carried to the next block, into this room
    // before it, in whole 64-byte chunks so that the block keeps the
    // buffer's alignment.
    static constexpr std::size_t carry_room = (line_limit + 2 + 63) / 64 * 64;
    // Lines are taken in a batch at a time, in whole 64-byte chunks of the
    // block, until at least this many are in hand: many enough to make a
    // refill cheap, few enough to stay in the fastest cache. A chunk holds
    // at most 64 lines, and the end of the block may add a line too long.
    static constexpr std::size_t batch = 128;

    int fd_;                // -1 for text in memory
    std::string_view text_; // the text not yet read
    bool failed_ = false;
    bool at_end_ = false;       // the last read has been made
    bool passing_over_ = false; // inside the rest of a line that was too long
    std::int64_t number_ = 0;   // the number of the last line taken in
    std::size_t read_size_ = first_read_size;
    char* line_ = buffer_ + carry_room;   // where the next line starts
    char* nul_ = nullptr;                 // its first NUL, if one has been seen
    char* chunk_ = line_;                 // the next 64 bytes to cut
    char* end_ = line_;                   // the end of the block read
    const database_line* next_ = nullptr; // the lines in hand not handed over,
    const database_line* held_ = nullptr; // up to here
    database_line lines_[batch + 64 + 1];
    alignas(64) char buffer_[carry_room + block_size + readable_slack];
};

// Opens the database file at path for reading, as the tintlist command
// does: in text mode on Windows, and a directory counts as a file that
// cannot be opened. Returns a file descriptor, or -1.
[[nodiscard]] int open_database(const char* path) noexcept;

// Closes a descriptor that open_database returned.
void close_database(int fd) noexcept;

} // namespace tintlist
