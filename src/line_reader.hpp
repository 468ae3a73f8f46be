// SPDX-License-Identifier: MIT
// Reads a database and cuts it into lines, a block at a time.
//
// How a block is cut into lines: each read fills the block area of the
// buffer, just after the unfinished line that ended the block before, so a
// line always lies whole and contiguous in memory. One vectorised pass over
// every 64 bytes of the new block finds its newlines and NUL bytes at once
// (stop_bits); the lines are then taken from those positions in order,
// without looking at their other bytes. The bytes after a block's last
// newline are carried to the front for the next read. A line that grows
// past the length limit without a newline is handed over at once, and the
// rest of it is passed over up to its newline, so that what is carried stays
// small and memory stays fixed whatever the length of a line.
#pragma once

#include "byte_scan.hpp"

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tintlist {

// A line keeps at most this many characters, as a 512-byte buffer would.
constexpr std::size_t line_limit = 511;

constexpr std::size_t block_size = 64 * 1024;

// A partial line is known to be too long once this many of its bytes are in
// hand without a newline: its limit, then a carriage return that may still
// start a CR LF pair. Shorter partial lines are carried to the next block.
constexpr std::size_t long_line_evidence = line_limit + 2;

// Room before the block for a carried line, and after it for the 64-byte
// scans and 32-byte copies that run past a line's end.
constexpr std::size_t carry_room = 576;
constexpr std::size_t slack = 64;

// The Windows runtime's text mode already turns CR LF into LF; elsewhere the
// reader does the same, so a database lists alike on every platform.
#ifdef _WIN32
constexpr bool fold_crlf = false;
#else
constexpr bool fold_crlf = true;
#endif

// Where the database is read: a block, with room for a carried line before
// it and slack after it.
struct line_buffer {
    alignas(64) char data[carry_room + block_size + slack];
};

// One line as it is handed over. Its bytes may be changed, and so may the
// byte after them: a newline, which the reader has put in place of a CR
// that came before the newline, or whatever follows a line without one.
struct line_view {
    char* begin;
    std::size_t length; // without the newline, and without a CR before it
    std::size_t nul;    // where the first NUL is; length or more if it has none
    bool has_newline;   // a newline follows the line's bytes
};

enum class read_ending { end_of_file, read_failed, stopped };

// Reads up to size bytes into p: the number read, 0 at the end of the file,
// or -1 when reading failed.
inline long read_some(int fd, char* p, std::size_t size) {
#ifdef _WIN32
    return _read(fd, p, static_cast<unsigned>(size));
#else
    for (;;) {
        const ssize_t got = read(fd, p, size);
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
#endif
}

// Reads fd to its end and hands every line to on_line, in order. After each
// block it asks stop() whether to go on. A read that fails ends the reading
// at once: the bytes it did not deliver are never seen.
template <typename OnLine, typename Stop>
read_ending read_lines(int fd, line_buffer& buffer, OnLine&& on_line, Stop&& stop) {
    char* const block = buffer.data + carry_room;
    block[-1] = '\n';            // before the first line, as before every carried line
    std::size_t carried = 0;     // bytes of an unfinished line just before the block
    std::size_t carried_nul = 0; // where its first NUL is; carried or more if it has none
    bool passing_over = false;   // inside the unread rest of a line that was too long

    for (;;) {
        const long got = read_some(fd, block, block_size);
        if (got < 0) return read_ending::read_failed;
        if (got == 0) break;
        char* const end = block + got;
        std::memset(end, 0, slack); // scanned past the end, though never taken

        char* line = block - carried;
        char* nul = carried_nul < carried ? line + carried_nul : nullptr;
        // Where the current line's first NUL is, or `none` if it has none.
        const auto nul_at = [&](std::size_t none) {
            return nul != nullptr ? static_cast<std::size_t>(nul - line) : none;
        };
        for (char* chunk = block; chunk < end; chunk += 64) {
            std::uint64_t bits = stop_bits(chunk);
            if (end - chunk < 64) bits &= (std::uint64_t{1} << (end - chunk)) - 1;
            for (; bits != 0; bits &= bits - 1) {
                char* const stop = chunk + std::countr_zero(bits);
                if (*stop != '\n') {
                    if (nul == nullptr) nul = stop;
                    continue;
                }
                if (!passing_over) {
                    // The byte before a line is never a CR: it is the newline
                    // before it, or a newline put before the carried line.
                    std::size_t length = static_cast<std::size_t>(stop - line);
                    if (fold_crlf && stop[-1] == '\r') {
                        --length;
                        stop[-1] = '\n';
                    }
                    on_line(line_view{line, length, nul_at(length), true});
                }
                passing_over = false;
                line = stop + 1;
                nul = nullptr;
            }
        }

        // The unfinished line: handed over now if it is already too long,
        // else carried to just before the next block.
        std::size_t held = static_cast<std::size_t>(end - line);
        if (!passing_over && held >= long_line_evidence) {
            on_line(line_view{line, held, nul_at(held), false});
            passing_over = true;
        }
        if (passing_over) held = 0;
        std::memmove(block - held, line, held);
        block[-static_cast<std::ptrdiff_t>(held) - 1] = '\n';
        carried = held;
        carried_nul = nul_at(held);
        if (stop()) return read_ending::stopped;
    }

    if (carried > 0) on_line(line_view{block - carried, carried, carried_nul, false});
    return read_ending::end_of_file;
}

} // namespace tintlist
