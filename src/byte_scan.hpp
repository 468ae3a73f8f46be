// SPDX-License-Identifier: MIT
// Classifies many bytes at once, as bits: bit i stands for byte i.
//
// stop_bits has a portable form, eight bytes to a word, and an SSE2 form
// (every x86-64 processor has SSE2, and the 32-bit Windows program is built
// to require it); the tests check that both agree.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(_WIN32) && defined(__i386__)
// The build asks for SSE2; without it the program would quietly take the
// portable path.
#error "the 32-bit Windows program needs SSE2"
#endif

namespace tintlist {

// The eight bytes at p as a word, the first byte in the lowest bits.
inline std::uint64_t load8(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

namespace portable {

// Bit i is set where byte i of the 64 bytes at p is a newline or a NUL.
inline std::uint64_t stop_bits(const char* p) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = ones * 0x80;
    // The high bit of each byte of x that is zero. Exact: no carry crosses
    // into the next byte.
    auto zero_bytes = [](std::uint64_t x) { return ~(((x & ~highs) + ~highs) | x) & highs; };
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t word = load8(p + 8 * i);
        const std::uint64_t stops = zero_bytes(word) | zero_bytes(word ^ ones * '\n');
        // Gather the eight high bits into the top byte, then into place.
        bits |= ((stops >> 7) * 0x0102040810204080 >> 56) << 8 * i;
    }
    return bits;
}

} // namespace portable

#if defined(__SSE2__)

inline std::uint64_t stop_bits(const char* p) noexcept {
    const __m128i newline = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        const __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(v, newline), _mm_cmpeq_epi8(v, nul));
        bits |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(stops))} << 16 * i;
    }
    return bits;
}

// The white space and the digits among the 16 bytes at p, in a line cut at
// its end: white space is blank, \t, \v, \f and \r; a newline there can only
// end the text, and counts as none.
struct field_bits {
    std::uint32_t space;
    std::uint32_t digit;
};

inline field_bits cut_field_bits(const char* p) noexcept {
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

#else

using portable::stop_bits;

#endif

} // namespace tintlist
