// SPDX-License-Identifier: MIT
// The rules of the grammar that classify_line and the line scanner's window
// both apply, each stated once.
#pragma once

#include <tintlist/colour_database.hpp>

#include <cstdint>
#include <string_view>

namespace tintlist {

// A text that is no colour entry is passed over when it is empty or its
// first byte is '!' (a comment) or a NUL, and is a syntax error otherwise.
inline classified_line not_an_entry(std::string_view text) noexcept {
    const bool passed_over = text.empty() || text[0] == '!' || text[0] == '\0';
    return {passed_over ? line_outcome::skipped : line_outcome::syntax_error, {}};
}

// True when each value lies in 0..255.
inline bool in_range(std::int32_t red, std::int32_t green, std::int32_t blue) noexcept {
    // As unsigned, a value below 0 is beyond 255 too.
    const auto all = static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) |
                     static_cast<std::uint32_t>(blue);
    return all <= 255;
}

// A colour entry of these values and name: `entry` when they lie in range.
inline classified_line entry_of(const std::int32_t (&values)[3], std::string_view name) noexcept {
    const bool valid = in_range(values[0], values[1], values[2]);
    return {valid ? line_outcome::entry : line_outcome::out_of_range,
            {values[0], values[1], values[2], name}};
}

// The value of the decimal digits in [p, end). It stops growing once past
// 2^31, so that it never wraps, and is held to the 32-bit limits by the
// caller.
inline std::int64_t digits_value(const char* p, const char* end) noexcept {
    std::int64_t value = 0;
    for (; p != end; ++p) {
        if (value <= std::int64_t{1} << 31) value = value * 10 + (*p - '0');
    }
    return value;
}

} // namespace tintlist
