// SPDX-License-Identifier: MIT
// sRGB's transfer function, shared by the colour table and the command's
// swatches.
#pragma once

#include <array>

namespace tintlist {

// The linear light, 0 to 1, of each sRGB value 0..255 (IEC 61966-2-1),
// worked out when compiling: the command then needs no maths library, which
// would be one more to load at every start. Above the toe, x^2.4 is x^2
// times the fifth root of x^2, found by Newton's method.
inline constexpr auto linear_light = [] {
    std::array<double, 256> table{};
    for (int value = 0; value < 256; ++value) {
        const double x = value / 255.0;
        if (x <= 0.04045) {
            table[value] = x / 12.92;
            continue;
        }
        const double y = (x + 0.055) / 1.055;
        double root = 1;
        for (int step = 0; step < 40; ++step)
            root -= (root * root * root * root * root - y * y) / (5 * root * root * root * root);
        table[value] = y * y * root;
    }
    return table;
}();

} // namespace tintlist
