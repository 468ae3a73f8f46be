// SPDX-License-Identifier: MIT
// The database reader's line scanner, inside the library: finds the lines
// of a block and classifies each one as classify_line would, but fast.
//
// Cutting: one vectorised pass over every 64 bytes of a block finds its
// newlines and NUL bytes at once; the reader then takes the lines from
// those places in order, without looking at their other bytes.
//
// Classifying: a line is cut where classify_line would stop reading it (at
// its first NUL, or after its newline, a CR LF counting as a newline), and
// the byte after the cut is a NUL or a newline. Lines written as colours'
// lines usually are, and lines that hold no number at all, are then read
// through a window of 16 bytes at once; any other line goes to
// classify_line. The window is a second reader beside classify_line, the
// one grammar, kept only because it is much faster; the differential tests
// hold the two readers together.
//
// Every read past the end of a line stays within readable_slack (see
// colour_database.hpp), which the reader's buffer keeps after its block;
// whatever those bytes hold never changes a result. Each such read asserts
// that it stays inside.
#pragma once

#include "grammar.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(_WIN32) && defined(__i386__)
// The build asks for SSE2; without it the program would quietly take the
// portable path.
#error "the 32-bit Windows program needs SSE2"
#endif

namespace tintlist {

// The reader reads first_read_size bytes, and each time after it twice as
// many, up to block_size: a small database then touches few pages.
inline constexpr std::size_t block_size = 128 * 1024;
inline constexpr std::size_t first_read_size = 4096;
// An unfinished line is known to be too long once line_limit + 2 of its
// bytes are in hand: its limit, then a CR that may still start a CR LF.
// Only a shorter one is carried to the next block, into this room before
// it, in whole 64-byte chunks so that the block keeps the buffer's
// alignment.
inline constexpr std::size_t carry_room = (line_limit + 2 + 63) / 64 * 64;
// Lines are taken in a batch at a time, in whole 64-byte chunks of the
// block, until at least this many are in hand: many enough to make a refill
// cheap, few enough to stay in the fastest cache. A chunk holds at most 64
// lines, and the end of the block may add a line too long.
inline constexpr std::size_t batch = 128;

// The eight bytes at p as a word, the first byte in the lowest bits.
inline std::uint64_t load8(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// Finding newlines and NULs, 64 bytes at a time: bit i stands for byte i.
// Reads 64 bytes from p, up to 63 past the last byte asked about.
static_assert(64 - 1 <= readable_slack);

namespace portable {

// Eight bytes to a word, for processors without SSE2: much faster than a
// loop over the bytes.
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

// Sixteen bytes at a time, faster again.
inline std::uint64_t newlines_and_nuls(const char* p) noexcept {
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const __m128i found = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                           _mm_cmpeq_epi8(v, _mm_setzero_si128()));
        bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(found))} << 16 * i;
    }
    return bits;
}

// The window of a cut line: which of its first 16 bytes are not white space
// and which are not digits, bit i for byte i; the bits past the window are
// all set, so that a run that reaches its end stops there. A newline in the
// window can only end the line, so it counts as no white space.
struct window {
    std::uint32_t not_space, not_digit; // white space: blank, \t, \v, \f, \r
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
    return {~static_cast<std::uint32_t>(_mm_movemask_epi8(space)),
            ~static_cast<std::uint32_t>(_mm_movemask_epi8(in_range('0', 10)))};
}

// The value of the `count` (1 to 3) decimal digits at p, with no branch on
// the count, which varies from line to line and would mispredict. Reads 8
// bytes from p, which lies in the window.
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
// window, with no branch on the length of a run or a number.
inline classified_line classify_cut_line(std::string_view text) noexcept {
#if defined(__SSE2__)
    const char* const p = text.data();
    const window bits = window_at(p);
    std::int32_t values[3];
    int at = 0;
    for (std::int32_t& value : values) {
        // A run that reaches the end of the window leaves the next number
        // with no digit, or the name at the end of the window.
        const int first = at + __builtin_ctz(bits.not_space >> at);
        at = first + __builtin_ctz(bits.not_digit >> first);
        const int count = at - first;
        if (static_cast<unsigned>(count - 1) > 2) {
            // No digit and no sign: no entry. Answered here, since comment
            // lines are common.
            if (count == 0 && first < 16 && p[first] != '+' && p[first] != '-')
                return not_an_entry(text);
            return classify_line(text);
        }
        value = small_value(p + first, count);
    }
    // The name starts after the white space and runs to the end of the
    // text, less a newline there. The white space stops at that newline, or
    // at the NUL after the text, so a name that starts there is none.
    const int name = at + __builtin_ctz(bits.not_space >> at);
    const auto name_end = static_cast<int>(text.size()) - (text.back() == '\n');
    if (name == 16 || name >= name_end) return classify_line(text);
    return entry_of(values, {p + name, static_cast<std::size_t>(name_end - name)});
#else
    return classify_line(text);
#endif
}

// Classifies the `length` bytes of a line at p, whose first NUL is at `nul`
// (length or more if it has none), and which a newline follows or not.
inline classified_line classify_at(char* p, std::size_t length, std::size_t nul,
                                   bool newline) noexcept {
    // A longer line is no entry, as no name can be so long.
    if (length > line_limit) return not_an_entry({p, length});
    // The text ends at its NUL, or takes its newline, or gets a NUL after it.
    if (nul < length)
        length = nul;
    else if (newline)
        ++length;
    else
        p[length] = '\0';
    return classify_cut_line({p, length});
}

} // namespace tintlist
