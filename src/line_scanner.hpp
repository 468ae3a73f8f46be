// SPDX-License-Identifier: MIT
// The command's line scanner: reads a database a block at a time, cuts it
// into lines and classifies each line, as classify_line would, but fast.
//
// Cutting: each read fills the block area of the buffer, just after the
// unfinished line that ended the block before, so a line always lies whole
// in memory. One vectorised pass over every 64 bytes of the new block finds
// its newlines and NUL bytes at once; the lines are then taken from those
// places in order, without looking at their other bytes. A line that grows
// past the length limit without a newline is classified at once and the
// rest of it is passed over, so that memory stays fixed.
//
// Classifying: a line is cut where classify_line would stop reading it (at
// its first NUL, or after its newline, a CR LF counting as a newline), and
// the byte after the cut is a NUL or a newline. Lines written as colours'
// lines usually are, and lines that hold no number at all, are then read
// through a window of 16 bytes at once; any other line goes to
// classify_line. The window is a second reader beside classify_line, the
// one grammar, kept only for what it measured (beside classify_cut_line);
// the differential tests hold the two readers together.
//
// How far past a line code may read: the buffer keeps `readable_slack`
// bytes after its block, so from the first byte of any line up to that many
// bytes past its end can be read. Whatever those bytes hold never changes a
// result. Each reader past an end asserts that it stays inside.
//
// The figures beside the code are what the plainer form measured, against
// the form kept, in make bench's throughput on its loose and laid-out
// databases.
#pragma once

#include "colour_database.hpp"
#include "word.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(_WIN32) && defined(__i386__)
// The build asks for SSE2; without it the program would quietly take the
// portable path.
#error "the 32-bit Windows program needs SSE2"
#endif

namespace tintlist {

// Bytes that can be read past the end of any line (see above).
constexpr std::size_t readable_slack = 64;

// A line keeps at most this many characters, as a 512-byte buffer would.
constexpr std::size_t line_limit = 511;

// The Windows runtime's text mode already turns CR LF into LF; elsewhere the
// scanner does the same, so a database lists alike on every platform.
#ifdef _WIN32
constexpr bool fold_crlf = false;
#else
constexpr bool fold_crlf = true;
#endif

// Finding newlines and NULs, 64 bytes at a time: bit i stands for byte i.
// Reads 64 bytes from p, up to 63 past the last byte asked about.
static_assert(64 - 1 <= readable_slack);

namespace portable {

// Eight bytes to a word, for processors without SSE2: twice as fast as a
// loop over the bytes (116 against 217 ms on the loose benchmark database).
inline std::uint64_t newlines_and_nuls(const char* p) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = ones * 0x80;
    // The high bit of each byte of x that is zero. Exact: no carry crosses
    // into the next byte.
    auto zero_bytes = [](std::uint64_t x) { return ~(((x & ~highs) + ~highs) | x) & highs; };
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t word = load8(p + 8 * i);
        const std::uint64_t found = zero_bytes(word) | zero_bytes(word ^ ones * '\n');
        // Gather the eight high bits into the top byte, then into place.
        bits |= ((found >> 7) * 0x0102040810204080 >> 56) << 8 * i;
    }
    return bits;
}

} // namespace portable

#if defined(__SSE2__)

// Sixteen bytes at a time (the portable form instead: 0.88 and 0.90 of the
// throughput).
inline std::uint64_t newlines_and_nuls(const char* p) noexcept {
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const __m128i found = _mm_or_si128(_mm_cmpeq_epi8(v, newline), _mm_cmpeq_epi8(v, nul));
        bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(found))} << 16 * i;
    }
    return bits;
}

// The window of a cut line: which of its first 16 bytes are white space and
// which are digits. A newline there can only end the line, so it counts as
// no white space.
struct window {
    std::uint32_t space; // blank, \t, \v, \f, \r
    std::uint32_t digit;
};

inline window window_at(const char* p) noexcept {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // A byte lies in [low, low + n) when, moved by 128 - low so that low
    // becomes the least signed byte, it is less than -128 + n.
    auto in_range = [v](char low, char n) {
        const __m128i x = _mm_add_epi8(v, _mm_set1_epi8(static_cast<char>(128 - low)));
        return _mm_cmplt_epi8(x, _mm_set1_epi8(static_cast<char>(-128 + n)));
    };
    auto is = [v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i space = _mm_andnot_si128(is('\n'), _mm_or_si128(in_range('\t', 5), is(' ')));
    return {static_cast<std::uint32_t>(_mm_movemask_epi8(space)),
            static_cast<std::uint32_t>(_mm_movemask_epi8(in_range('0', 10)))};
}

// The value of the `count` (1 to 3) decimal digits at p, with no branch on
// the count (a loop instead: 0.70 and 0.73 of the throughput). Reads 8 bytes
// from p, which lies in the window.
static_assert(16 + 8 <= readable_slack);
inline std::int32_t small_value(const char* p, int count) noexcept {
    // The digits' values shifted up so that the last is in the top byte and
    // zeros lead: a number b1 b2 b3 in bytes 1 to 3. Byte 1 of `pairs` is
    // then 10 b1 + b2; no byte carries into the next.
    auto x = static_cast<std::uint32_t>(load8(p));
    x = (x ^ 0x30303030) << (32 - 8 * count);
    const std::uint32_t pairs = x * 10 + (x >> 8);
    return static_cast<std::int32_t>((pairs >> 8 & 0xff) * 10 + (x >> 24));
}

#else

using portable::newlines_and_nuls;

#endif

// Classifies a line cut as above, as classify_line would. Lines whose three
// numbers have one to three digits, no sign and a value up to 255, and whose
// name starts in the first 16 bytes, as colours' lines do, are read from the
// window, with no branch on the length of a run or a number (every line to
// classify_line instead: 0.64 and 0.49 of the throughput, and 449,556
// against 301,436 instructions at start-up on 800 lines).
inline classified_line classify_cut_line(std::string_view text) noexcept {
#if defined(__SSE2__)
    const char* const p = text.data();
    const window bits = window_at(p);
    std::int32_t values[3];
    int at = 0;
    for (std::int32_t& value : values) {
        // Past the window the complement of a mask is all ones, so no count
        // goes past its end; a run that reaches the end leaves the next
        // number with no digit, or the name at the end of the window.
        const int first = at + __builtin_ctz(~(bits.space >> at));
        at = first + __builtin_ctz(~(bits.digit >> first));
        const int count = at - first;
        if (static_cast<unsigned>(count - 1) > 2) {
            // No digit and no sign: no entry. Such a line is passed over when
            // its first byte is '!', or the NUL after an empty text (1.02 to
            // 1.03 times the throughput on the benchmark databases, 2.4
            // times on comment lines alone).
            if (count == 0 && first < 16 && p[first] != '+' && p[first] != '-') {
                const bool silent = p[0] == '!' || p[0] == '\0';
                return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
            }
            return classify_line(text);
        }
        value = small_value(p + first, count);
    }
    // The name starts after the white space, at a byte that is not the NUL
    // or newline after the text, and runs to the end, less a newline there.
    const int name = at + __builtin_ctz(~(bits.space >> at));
    // As unsigned, a value past 255 or below 0 is beyond 255.
    const bool valid = static_cast<std::uint32_t>(values[0] | values[1] | values[2]) <= 255;
    if (name == 16 || p[name] == '\0' || p[name] == '\n' || !valid) return classify_line(text);
    const char* const end = p + text.size();
    const std::string_view colour_name(
        p + name, static_cast<std::size_t>(end - (end[-1] == '\n') - (p + name)));
    return {line_outcome::entry, {values[0], values[1], values[2], colour_name}};
#else
    return classify_line(text);
#endif
}

// Classifies the `length` bytes of a line at p, whose first NUL is at `nul`
// (length or more if it has none), and which a newline follows or not.
inline classified_line classify_at(char* p, std::size_t length, std::size_t nul,
                                   bool newline) noexcept {
    // A longer line is judged by its first characters: a comment stays a
    // comment; anything else is a syntax error, as no name can be so long.
    if (length > line_limit) {
        const bool comment = classify_line({p, line_limit}).outcome == line_outcome::skipped;
        return {comment ? line_outcome::skipped : line_outcome::syntax_error, {}};
    }
    // The text ends at its NUL, or takes its newline, or gets a NUL after it.
    if (nul < length)
        length = nul;
    else if (newline)
        ++length;
    else
        p[length] = '\0';
    return classify_cut_line({p, length});
}

// Where a database is read: a block, with room for a carried line before it
// and the slack after it.
constexpr std::size_t block_size = 128 * 1024;
constexpr std::size_t first_read_size = 4096;

// A partial line is known to be too long once this many of its bytes are in
// hand without a newline: its limit, then a CR that may still start a CR LF.
// A line known too long is not carried.
constexpr std::size_t long_line_evidence = line_limit + 2;

// Room for that many bytes before the block, in whole 64-byte chunks, so
// that the block keeps the buffer's alignment: 576.
constexpr std::size_t carry_room = (long_line_evidence + 63) / 64 * 64;
struct scan_buffer {
    alignas(64) char bytes[carry_room + block_size + readable_slack];
};

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

enum class scan_ending { end_of_file, read_failed, stopped };

// Reads fd to its end and hands the classification of every line to
// on_line, in order. After each block, before the read that follows it, the
// scan goes on only if next_block() returns true. A read that fails ends the
// scan at once: the bytes it did not deliver are never seen.
template <typename OnLine, typename NextBlock>
scan_ending scan_lines(int fd, scan_buffer& buffer, OnLine&& on_line, NextBlock&& next_block) {
    char* const block = buffer.bytes + carry_room;
    std::size_t carried = 0;     // bytes of an unfinished line just before the block
    std::size_t carried_nul = 0; // where its first NUL is; `carried` if it has none
    bool passing_over = false;   // inside the rest of a line that was too long

    // Reads start small and double up to the block: a small database then
    // touches few of its pages, each costly the first time.
    std::size_t read_size = first_read_size;
    for (;; read_size = std::min(2 * read_size, block_size)) {
        const long got = read_some(fd, block, read_size);
        if (got < 0) return scan_ending::read_failed;
        if (got == 0) break;
        char* const end = block + got;

        char* line = block - carried;
        char* nul = carried_nul < carried ? line + carried_nul : nullptr;
        const auto nul_at = [&](std::size_t none) {
            return nul != nullptr ? static_cast<std::size_t>(nul - line) : none;
        };
        for (char* chunk = block; chunk < end; chunk += 64) {
            std::uint64_t bits = newlines_and_nuls(chunk);
            if (end - chunk < 64) bits &= (std::uint64_t{1} << (end - chunk)) - 1;
            for (; bits != 0; bits &= bits - 1) {
                char* const found = chunk + std::countr_zero(bits);
                if (*found == '\0') {
                    if (nul == nullptr) nul = found;
                    continue;
                }
                if (!passing_over) {
                    auto length = static_cast<std::size_t>(found - line);
                    if (fold_crlf && length > 0 && line[length - 1] == '\r') line[--length] = '\n';
                    on_line(classify_at(line, length, nul_at(length), true));
                }
                passing_over = false;
                line = found + 1;
                nul = nullptr;
            }
        }

        // The unfinished line: classified now if it is already too long,
        // else carried to just before the next block.
        auto held = static_cast<std::size_t>(end - line);
        if (!passing_over && held >= long_line_evidence) {
            on_line(classify_at(line, held, 0, false));
            passing_over = true;
        }
        if (passing_over) held = 0;
        std::memmove(block - held, line, held);
        carried = held;
        carried_nul = nul_at(held);
        if (!next_block()) return scan_ending::stopped;
    }

    if (carried > 0) on_line(classify_at(block - carried, carried, carried_nul, false));
    return scan_ending::end_of_file;
}

} // namespace tintlist
