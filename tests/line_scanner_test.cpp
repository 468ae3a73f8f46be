// SPDX-License-Identifier: MIT
// The vectorised search for newlines and NULs against its portable form and
// a plain loop, for every place of one among 64 bytes; and the window of
// white space and digits, for every byte value at every place.

#include "line_scanner.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

namespace {

std::uint64_t plain_search(const char* p) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) {
        if (p[i] == '\n' || p[i] == '\0') bits |= std::uint64_t{1} << i;
    }
    return bits;
}

TEST(NewlinesAndNuls, EveryPlaceOfOne) {
    std::mt19937 random(7);
    std::array<char, 64 + 7> bytes{};
    for (int round = 0; round < 2000; ++round) {
        // Bytes of every value but the two stops, then stops at some places,
        // all at every offset from an aligned start.
        const int offset = round % 8;
        char* const p = bytes.data() + offset;
        for (int i = 0; i < 64; ++i) {
            char c;
            do c = static_cast<char>(random());
            while (c == '\n' || c == '\0');
            p[i] = c;
        }
        for (int stops = round % 5; stops > 0; --stops)
            p[random() % 64] = random() % 2 ? '\n' : '\0';
        if (round < 128) p[round % 64] = round < 64 ? '\n' : '\0';

        const std::uint64_t expected = plain_search(p);
        EXPECT_EQ(tintlist::newlines_and_nuls(p), expected) << "round " << round;
        EXPECT_EQ(tintlist::portable::newlines_and_nuls(p), expected) << "round " << round;
    }
}

#if defined(__SSE2__)
// Every byte value at every place of a window among bytes of each kind:
// white space but a newline, digits, and others.
TEST(Window, EveryByteAtEveryPlace) {
    for (const char fill : {' ', '5', 'x', '\n', '\0'}) {
        for (int value = 0; value < 256; ++value) {
            const char c = static_cast<char>(value);
            const bool space = c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
            const bool digit = c >= '0' && c <= '9';
            for (int at = 0; at < 16; ++at) {
                std::array<char, 16> bytes;
                bytes.fill(fill);
                bytes[at] = c;
                const tintlist::window bits = tintlist::window_at(bytes.data());
                ASSERT_EQ((bits.not_space >> at & 1) == 0, space)
                    << "byte " << value << " at " << at;
                ASSERT_EQ((bits.not_digit >> at & 1) == 0, digit)
                    << "byte " << value << " at " << at;
                // Only the byte changed changes its bit; past the window all are set.
                const std::uint32_t others = ~(std::uint32_t{1} << at);
                const std::uint32_t fill_space = fill == ' ' ? 0xffff0000 : ~0u;
                const std::uint32_t fill_digit = fill == '5' ? 0xffff0000 : ~0u;
                ASSERT_EQ(bits.not_space & others, fill_space & others);
                ASSERT_EQ(bits.not_digit & others, fill_digit & others);
            }
        }
    }
}
#endif

} // namespace
