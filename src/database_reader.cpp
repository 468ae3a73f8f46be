// SPDX-License-Identifier: MIT
// The database reader: reading blocks, and cutting them into lines.
#include "line_scanner.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <utility>

// What the reader needs of its platform: opening, reading and closing a
// file as the command does, and memory for its state. A folder counts as a
// file that cannot be opened (EISDIR).
#ifdef _WIN32
#include <io.h>
#include <malloc.h>

namespace tintlist {
namespace {

// Descriptors are read in text mode, which reads CR LF as LF and ends a
// file at a Ctrl-Z; the reader reads text in memory alike.
constexpr bool text_mode = true;

int open_file(const char* path) noexcept {
    const int fd = _open(path, _O_RDONLY | _O_TEXT);
    struct _stat status;
    if (fd < 0 && errno == EACCES && _stat(path, &status) == 0 && (status.st_mode & _S_IFDIR))
        errno = EISDIR;
    return fd;
}

long read_file(int fd, char* to, std::size_t size) noexcept {
    return _read(fd, to, static_cast<unsigned>(size));
}

void close_file(int fd) noexcept {
    _close(fd);
}

void* allocate(std::size_t size, std::size_t alignment) noexcept {
    return _aligned_malloc(size, alignment);
}

void deallocate(void* memory, std::size_t) noexcept {
    _aligned_free(memory);
}

} // namespace
} // namespace tintlist
#else
#include <sys/mman.h>
#include <unistd.h>

namespace tintlist {
namespace {

constexpr bool text_mode = false;

int open_file(const char* path) noexcept {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd >= 0 && (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode))) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

long read_file(int fd, char* to, std::size_t size) noexcept {
    long got;
    do got = ::read(fd, to, size);
    while (got < 0 && errno == EINTR);
    return got;
}

void close_file(int fd) noexcept {
    close(fd); // a file opened for reading holds nothing to lose
}

// Mapped straight from the system, which aligns it to a page: the C
// library's heap costs a small database much of its start-up to set up, the
// first time it is used.
void* allocate(std::size_t size, std::size_t) noexcept {
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory != MAP_FAILED ? memory : nullptr;
}

void deallocate(void* memory, std::size_t size) noexcept {
    munmap(memory, size);
}

} // namespace
} // namespace tintlist
#endif

namespace tintlist {

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
    // A CR LF ends a line as LF does, so that a database lists alike on
    // every platform; text mode has done it already.
    const bool fold_crlf = !text_mode || s.fd < 0;
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
        got = read_file(s.fd, block, s.read_size);
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
    void* memory = allocate(sizeof(reader_state), alignof(reader_state));
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
    if (text_mode) text = text.substr(0, text.find('\x1a'));
    return {-1, false, text, 0};
}

// A reader moved from reads nothing more.
database_reader::database_reader(database_reader&& other) noexcept {
    *this = std::move(other);
}

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
