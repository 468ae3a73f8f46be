// SPDX-License-Identifier: MIT
// The one grammar, classify_line, and the database reader.
#include "line_scanner.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tintlist {
namespace {

// Byte classes, from a table: faster than comparisons.
// White space is the C locale's: blank, \t, \n, \v, \f, \r. A NUL ends the
// text, so it is neither space nor digit and stops every field.
enum : std::uint8_t { space = 1, digit = 2 };

constexpr auto byte_class = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = space;
    for (unsigned char c = '0'; c <= '9'; ++c) table[c] = digit;
    return table;
}();

bool is(const char* p, std::uint8_t kind) noexcept {
    return byte_class[static_cast<unsigned char>(*p)] == kind;
}

const char* skip_space(const char* p, const char* end) noexcept {
    while (p != end && is(p, space)) ++p;
    return p;
}

// Up to eight bytes from p, the first in the lowest bits; the bytes past end
// read as NUL, which is no digit.
std::uint64_t load_word(const char* p, const char* end) noexcept {
    if (end - p >= 8) return load8(p);
    std::uint64_t word = 0;
    for (const char* q = end; q != p;) word = word << 8 | static_cast<unsigned char>(*--q);
    return word;
}

// The number of decimal digits (0 to 8) at the front of a word, without a
// branch on the count: it varies from line to line and would mispredict.
int digit_count(std::uint64_t word) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101;
    // A byte's high bit is set where it is no digit. No sum carries into the
    // next byte.
    const std::uint64_t values = word ^ (ones * '0');
    const std::uint64_t stops = (((values & ones * 0x7f) + ones * 0x76) | values) & ones * 0x80;
    return std::countr_zero(stops) / 8;
}

// The value of the `count` (1 to 8) decimal digits at the front of a word.
std::uint32_t digits_value(std::uint64_t word, int count) noexcept {
    // Keep the count digits, shifted up so that zeros lead, then combine
    // pairs, fours and the two halves of the eight.
    std::uint64_t digits = (word ^ 0x3030303030303030) << (64 - 8 * count);
    digits = digits * 10 + (digits >> 8);
    digits = ((digits & 0x000000FF000000FF) * (100 + (1000000ULL << 32)) +
              ((digits >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32))) >>
             32;
    return static_cast<std::uint32_t>(digits);
}

// The value of a number of more than seven digits, from `magnitude`, the
// value of its digits before p, and the digits from p on. Growth stops once
// the magnitude exceeds 2^31, so it never wraps, and the value saturates.
// Returns the position after the last digit.
const char* long_number(const char* p, const char* end, std::uint64_t magnitude, bool negative,
                        std::int32_t& value) noexcept {
    constexpr std::uint64_t cap = std::uint64_t{1} << 31;
    for (; p != end && is(p, digit); ++p) {
        if (magnitude <= cap) magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    }
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (negative)
        value = magnitude >= cap ? lowest : -static_cast<std::int32_t>(magnitude);
    else
        value = magnitude > std::uint64_t{highest} ? highest : static_cast<std::int32_t>(magnitude);
    return p;
}

// Reads optional white space, an optional sign and one or more decimal digits
// from p. Returns the position after the last digit, or null when there is no
// number. A magnitude beyond 32 bits saturates to the nearest limit.
const char* scan_number(const char* p, const char* end, std::int32_t& value) noexcept {
    p = skip_space(p, end);
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;

    // Up to eight digits at once, with no branch on the number's length,
    // which would mispredict; a longer number goes on digit by digit.
    const std::uint64_t word = load_word(p, end);
    const int count = digit_count(word);
    if (count == 0) return nullptr;
    const std::uint32_t magnitude = digits_value(word, count);
    if (count == 8) return long_number(p + 8, end, magnitude, negative, value);
    // At most seven digits: far inside 32 bits.
    value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    return p + count;
}

// The first c in [p, end), or end: the C library's search is faster than
// one loop over the name for both bytes.
const char* find_byte(const char* p, const char* end, char c) noexcept {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    const char* const end = text.data() + text.size();
    colour_entry colour{};
    const char* p = scan_number(text.data(), end, colour.red);
    if (p != nullptr) p = scan_number(p, end, colour.green);
    if (p != nullptr) p = scan_number(p, end, colour.blue);
    if (p != nullptr) p = skip_space(p, end);
    // Once white space is passed, a name starts at any byte but NUL and
    // newline.
    if (p == nullptr || p == end || *p == '\0' || *p == '\n') {
        const bool silent = text.empty() || text[0] == '\0' || text[0] == '!';
        return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
    }
    // The name runs to the first newline or NUL.
    colour.name = {p, static_cast<std::size_t>(find_byte(p, find_byte(p, end, '\0'), '\n') - p)};
    // As unsigned, a negative value is beyond 255 too.
    const bool valid =
        (static_cast<std::uint32_t>(colour.red) | static_cast<std::uint32_t>(colour.green) |
         static_cast<std::uint32_t>(colour.blue)) <= 255;
    return {valid ? line_outcome::entry : line_outcome::out_of_range, colour};
}

// A descriptor that cannot be valid fails as its first read would.
database_reader::database_reader(int fd) noexcept : fd_(fd), failed_(fd < 0), at_end_(fd < 0) {}

database_reader::database_reader(std::string_view text) noexcept : fd_(-1), text_(text) {
#ifdef _WIN32
    text_ = text.substr(0, text.find('\x1a')); // as a file read in text mode ends there
#endif
}

// Lines are handed over a batch at a time. A read is made only when every
// line taken in has been handed over, so that none of their names is
// overwritten and a caller that stops asking reads no further.
const database_line* database_reader::refill() noexcept {
    std::size_t count = 0;
    while (count == 0 && !at_end_) count = chunk_ < end_ ? cut() : read();
    next_ = lines_ + (count > 0); // the first is handed over now
    held_ = lines_ + count;
    return count > 0 ? lines_ : nullptr;
}

// Takes the lines of the block read from where the last batch ended, in
// whole 64-byte chunks, until a batch is in hand; returns how many. A line
// that is still unfinished at the end of the block and already too long is
// classified then, so that memory stays fixed, and the rest of it is passed
// over; any other waits for the next read.
std::size_t database_reader::cut() noexcept {
    // The Windows runtime's text mode already reads CR LF as LF from a
    // descriptor; elsewhere, and from text in memory, the reader does the
    // same, so a database lists alike on every platform.
#ifdef _WIN32
    const bool fold_crlf = fd_ < 0;
#else
    constexpr bool fold_crlf = true;
#endif
    // The state is kept in locals while cutting: stores through the lines'
    // bytes could otherwise change the members, as far as the compiler
    // knows, and each would be read again for every line.
    char *line = line_, *nul = nul_, *chunk = chunk_;
    char* const end = end_;
    std::int64_t number = number_;
    database_line* out = lines_;
    const auto hand_over = [&](classified_line taken) { *out++ = {taken, ++number}; };
    for (; chunk < end && out < lines_ + batch; chunk += 64) {
        std::uint64_t bits = newlines_and_nuls(chunk);
        if (end - chunk < 64) bits &= (std::uint64_t{1} << (end - chunk)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            char* const found = chunk + std::countr_zero(bits);
            if (*found == '\0') {
                if (nul == nullptr) nul = found;
                continue;
            }
            auto length = static_cast<std::size_t>(found - line);
            // The byte before the newline lies in the buffer even when the
            // line is empty.
            if (found[-1] == '\r' && fold_crlf && length > 0) line[--length] = '\n';
            const std::size_t nul_at =
                nul != nullptr ? static_cast<std::size_t>(nul - line) : length;
            hand_over(classify_at(line, length, nul_at, true));
            line = found + 1;
            nul = nullptr;
        }
    }
    if (chunk >= end && static_cast<std::size_t>(end - line) >= line_limit + 2) {
        hand_over(classify_at(line, static_cast<std::size_t>(end - line), 0, false));
        passing_over_ = true;
        line = end;
    }
    line_ = line, nul_ = nul, chunk_ = chunk, number_ = number;
    return static_cast<std::size_t>(out - lines_);
}

// Moves the unfinished line in front of the block, then reads the block
// after it; returns 1 when the end of the database leaves that line to be
// handed over, else 0.
std::size_t database_reader::read() noexcept {
    char* const block = buffer_ + carry_room;
    const auto carried = static_cast<std::size_t>(end_ - line_);
    const std::size_t nul = nul_ != nullptr ? static_cast<std::size_t>(nul_ - line_) : carried;
    std::memmove(block - carried, line_, carried);
    line_ = block - carried;
    nul_ = nul < carried ? line_ + nul : nullptr;

    long got;
    if (fd_ < 0) {
        got = static_cast<long>(text_.copy(block, read_size_));
        text_.remove_prefix(static_cast<std::size_t>(got));
    } else {
#ifdef _WIN32
        got = _read(fd_, block, static_cast<unsigned>(read_size_));
#else
        do got = ::read(fd_, block, read_size_);
        while (got < 0 && errno == EINTR);
#endif
    }
    read_size_ = std::min(2 * read_size_, block_size);
    if (got <= 0) {
        at_end_ = true;
        failed_ = got < 0;
        if (failed_ || carried == 0) return 0;
        lines_[0] = {classify_at(line_, carried, nul, false), ++number_};
        return 1;
    }
    chunk_ = block;
    end_ = block + got;
    if (passing_over_) {
        // The rest of a line too long: cutting starts after its newline, 64
        // bytes at a time from there.
        char* const newline =
            static_cast<char*>(std::memchr(block, '\n', static_cast<std::size_t>(got)));
        passing_over_ = newline == nullptr;
        line_ = chunk_ = passing_over_ ? end_ : newline + 1;
    }
    return 0;
}

int open_database(const char* path) noexcept {
#ifdef _WIN32
    return _open(path, _O_RDONLY | _O_TEXT);
#else
    // A directory counts as a file that cannot be opened, as it does on
    // Windows.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd >= 0 && (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))) {
        close(fd);
        return -1;
    }
    return fd;
#endif
}

void close_database(int fd) noexcept {
#ifdef _WIN32
    _close(fd);
#else
    close(fd); // a file opened for reading holds nothing to lose
#endif
}

} // namespace tintlist
