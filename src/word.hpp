// SPDX-License-Identifier: MIT
// Eight bytes as one word, for code that looks at eight bytes at a time: the
// library's number reading and the line scanner's portable search.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tintlist {

// The eight bytes at p as a word, the first byte in the lowest bits.
inline std::uint64_t load8(const char* p) noexcept {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

} // namespace tintlist
