// SPDX-License-Identifier: MIT
// The C library's scanner as a reference for classify_line, inside the
// contract where it is exact: a NUL-terminated text of at most 511 bytes in
// which every number fits a signed 32-bit integer.
#pragma once

#include <tintlist/colour_database.hpp>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace tintlist_test {

// True when every run of digits fits a signed 32-bit integer.
inline bool numbers_fit(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        const bool negative = i > 0 && text[i - 1] == '-';
        unsigned long long value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
            if (value > 2147483648ULL) return false;
        }
        if (value == 2147483648ULL && !negative) return false;
    }
    return true;
}

inline bool inside_contract(std::string_view text) {
    return text.size() <= 511 && numbers_fit(text);
}

struct reference_line {
    tintlist::line_outcome outcome;
    std::array<int, 3> rgb;
    std::string name; // for entry and out_of_range
};

// Classifies text as sscanf with the entry format reads it.
inline reference_line reference_classify(const std::string& text) {
    using tintlist::line_outcome;
    reference_line r{line_outcome::syntax_error, {}, {}};
    std::array<char, 512> name{};
    const int count = std::sscanf(text.c_str(), "%d %d %d %511[^\n]\n", &r.rgb[0], &r.rgb[1],
                                  &r.rgb[2], name.data());
    if (count == 4) {
        r.name = name.data();
        r.outcome = line_outcome::entry;
        for (int v : r.rgb) {
            if (v < 0 || v > 255) r.outcome = line_outcome::out_of_range;
        }
    } else if (text.c_str()[0] == '\0' || text[0] == '!') {
        r.outcome = line_outcome::skipped;
    }
    return r;
}

} // namespace tintlist_test
