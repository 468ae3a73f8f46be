// SPDX-License-Identifier: MIT
// The one grammar, classify_line, and the database reader.
#include "line_scanner.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <utility>
#ifdef _WIN32
#include <io.h>
#include <malloc.h>
#else
#include <sys/mman.h>
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

// A reader's state, with its buffer, allocated once when the reader is made.
struct reader_state {
    int fd;                // -1 for text in memory
    bool owned;            // closed by the reader
    std::string_view text; // the text not yet read
    int error = 0;
    bool at_end = false;       // the last read has been made
    bool passing_over = false; // inside the rest of a line that was too long
    std::int64_t number = 0;   // the number of the last line taken in
    std::size_t read_size = first_read_size;
    char* line = buffer + carry_room; // where the next line starts
    char* nul = nullptr;              // its first NUL, if one has been seen
    char* chunk = line;               // the next 64 bytes to cut
    char* end = line;                 // the end of the block read
    database_line lines[batch + 64 + 1];
    alignas(64) char buffer[carry_room + block_size + readable_slack];
};

namespace {

// Takes the lines of the block read from where the last batch ended, in
// whole 64-byte chunks, until a batch is in hand; returns how many. A line
// that is still unfinished at the end of the block and already too long is
// classified then, so that memory stays fixed, and the rest of it is passed
// over; any other waits for the next read.
std::size_t cut(reader_state& s) noexcept {
    // The Windows runtime's text mode already reads CR LF as LF from a
    // descriptor; elsewhere, and from text in memory, the reader does the
    // same, so a database lists alike on every platform.
#ifdef _WIN32
    const bool fold_crlf = s.fd < 0;
#else
    constexpr bool fold_crlf = true;
#endif
    // The state is kept in locals while cutting: stores through the lines'
    // bytes could otherwise change it, as far as the compiler knows, and
    // each field would be read again for every line.
    char* line = s.line;
    char* nul = s.nul;
    char* chunk = s.chunk;
    char* const end = s.end;
    std::int64_t number = s.number;
    database_line* out = s.lines;
    const auto hand_over = [&](classified_line taken) { *out++ = {taken, ++number}; };
    for (; chunk < end && out < s.lines + batch; chunk += 64) {
        std::uint64_t bits = newlines_and_nuls(chunk);
        if (end - chunk < 64) bits &= (std::uint64_t{1} << (end - chunk)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            char* const found = chunk + std::countr_zero(bits);
            if (*found == '\0') {
                if (nul == nullptr) nul = found;
                continue;
            }
            auto length = static_cast<std::size_t>(found - line);
            // An empty line has no byte before its newline to look at.
            if (fold_crlf && length > 0 && found[-1] == '\r') line[--length] = '\n';
            const std::size_t nul_at =
                nul != nullptr ? static_cast<std::size_t>(nul - line) : length;
            hand_over(classify_at(line, length, nul_at, true));
            line = found + 1;
            nul = nullptr;
        }
    }
    if (chunk >= end && static_cast<std::size_t>(end - line) >= line_limit + 2) {
        hand_over(classify_at(line, static_cast<std::size_t>(end - line), 0, false));
        s.passing_over = true;
        line = end;
    }
    s.line = line;
    s.nul = nul;
    s.chunk = chunk;
    s.number = number;
    return static_cast<std::size_t>(out - s.lines);
}

// Moves the unfinished line in front of the block, then reads the block
// after it; returns 1 when the end of the database leaves that line to be
// handed over, else 0.
std::size_t read(reader_state& s) noexcept {
    char* const block = s.buffer + carry_room;
    const auto carried = static_cast<std::size_t>(s.end - s.line);
    const std::size_t nul = s.nul != nullptr ? static_cast<std::size_t>(s.nul - s.line) : carried;
    std::memmove(block - carried, s.line, carried);
    s.line = block - carried;
    s.nul = nul < carried ? s.line + nul : nullptr;

    long got;
    if (s.fd < 0) {
        got = static_cast<long>(s.text.copy(block, s.read_size));
        s.text.remove_prefix(static_cast<std::size_t>(got));
    } else {
#ifdef _WIN32
        got = _read(s.fd, block, static_cast<unsigned>(s.read_size));
#else
        do got = ::read(s.fd, block, s.read_size);
        while (got < 0 && errno == EINTR);
#endif
    }
    s.read_size = std::min(2 * s.read_size, block_size);
    if (got <= 0) {
        s.at_end = true;
        s.error = got < 0 ? errno : 0;
        if (got < 0 || carried == 0) return 0;
        s.lines[0] = {classify_at(s.line, carried, nul, false), ++s.number};
        return 1;
    }
    s.chunk = block;
    s.end = block + got;
    if (s.passing_over) {
        // The rest of a line too long: cutting starts after its newline, 64
        // bytes at a time from there.
        char* const newline =
            static_cast<char*>(std::memchr(block, '\n', static_cast<std::size_t>(got)));
        s.passing_over = newline == nullptr;
        s.line = s.chunk = s.passing_over ? s.end : newline + 1;
    }
    return 0;
}

// Opens path as the command does; returns a descriptor, or -1 with errno
// set.
int open_file(const char* path) noexcept {
#ifdef _WIN32
    const int fd = _open(path, _O_RDONLY | _O_TEXT);
    // The Windows runtime refuses a folder as a file it may not open.
    struct _stat status;
    if (fd < 0 && errno == EACCES && _stat(path, &status) == 0 && (status.st_mode & _S_IFDIR))
        errno = EISDIR;
    return fd;
#else
    // A folder counts as a file that cannot be opened, as it does on
    // Windows.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd >= 0 && (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
#endif
}

void close_file(int fd) noexcept {
#ifdef _WIN32
    _close(fd);
#else
    close(fd); // a file opened for reading holds nothing to lose
#endif
}

// Memory for a reader's state, aligned as its buffer asks, or null. Off
// Windows it is mapped straight from the system: the C library's heap
// costs a small database much of its start-up to set up, the first time it
// is used.
void* allocate(std::size_t size) noexcept {
#ifdef _WIN32
    return _aligned_malloc(size, alignof(reader_state));
#else
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory != MAP_FAILED ? memory : nullptr;
#endif
}

void deallocate(void* memory, std::size_t size) noexcept {
#ifdef _WIN32
    (void)size;
    _aligned_free(memory);
#else
    munmap(memory, size);
#endif
}

// Closes what the reader opened, and frees its state.
void release(reader_state* s) noexcept {
    if (s == nullptr) return;
    if (s->owned) close_file(s->fd);
    deallocate(s, sizeof(reader_state));
}

} // namespace

// The state is made at once, so that a reader never allocates while it
// reads; a reader that could not be made reads nothing and says why.
database_reader::database_reader(int fd, bool owned, std::string_view text, int error) noexcept
    : error_(error) {
    if (error != 0) return;
    void* memory = allocate(sizeof(reader_state));
    if (memory == nullptr) {
        if (owned) close_file(fd);
        error_ = ENOMEM;
        return;
    }
    // Default-initialized: the buffer is left as it is until read into.
    state_ = new (memory) reader_state;
    state_->fd = fd;
    state_->owned = owned;
    state_->text = text;
}

// A descriptor that cannot be valid fails as its first read would.
database_reader::database_reader(int fd) noexcept
    : database_reader(fd, false, {}, fd < 0 ? EBADF : 0) {}

database_reader database_reader::open(const char* path) noexcept {
    const int fd = open_file(path);
    return {fd, true, {}, fd < 0 ? errno : 0};
}

database_reader database_reader::from_text(std::string_view text) noexcept {
#ifdef _WIN32
    text = text.substr(0, text.find('\x1a')); // as a file read in text mode ends there
#endif
    return {-1, false, text, 0};
}

// A reader moved from reads nothing more.
database_reader::database_reader(database_reader&& other) noexcept
    : next_(std::exchange(other.next_, nullptr)), held_(std::exchange(other.held_, nullptr)),
      state_(std::exchange(other.state_, nullptr)), error_(std::exchange(other.error_, 0)) {}

database_reader& database_reader::operator=(database_reader&& other) noexcept {
    if (this == &other) return *this;
    release(state_);
    next_ = std::exchange(other.next_, nullptr);
    held_ = std::exchange(other.held_, nullptr);
    state_ = std::exchange(other.state_, nullptr);
    error_ = std::exchange(other.error_, 0);
    return *this;
}

database_reader::~database_reader() {
    release(state_);
}

// Lines are handed over a batch at a time. A read is made only when every
// line taken in has been handed over, so that none of their names is
// overwritten and a caller that stops asking reads no further.
const database_line* database_reader::refill() noexcept {
    if (state_ == nullptr) return nullptr;
    reader_state& s = *state_;
    std::size_t count = 0;
    while (count == 0 && !s.at_end) count = s.chunk < s.end ? cut(s) : read(s);
    error_ = s.error;
    next_ = s.lines + (count > 0); // the first is handed over now
    held_ = s.lines + count;
    return count > 0 ? s.lines : nullptr;
}

} // namespace tintlist
