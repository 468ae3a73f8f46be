// SPDX-License-Identifier: MIT
// The vectorised search for line ends against its portable form and a plain
// loop, for every place of a newline or NUL among 64 bytes.

#include "byte_scan.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

namespace {

std::uint64_t plain_stop_bits(const char* p) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) {
        if (p[i] == '\n' || p[i] == '\0') bits |= std::uint64_t{1} << i;
    }
    return bits;
}

TEST(StopBits, EveryPlaceOfANewlineOrNul) {
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

        const std::uint64_t expected = plain_stop_bits(p);
        EXPECT_EQ(tintlist::stop_bits(p), expected) << "round " << round;
        EXPECT_EQ(tintlist::portable::stop_bits(p), expected) << "round " << round;
    }
}

} // namespace
