// SPDX-License-Identifier: MIT
// What the differential test and the fuzzer share: the C library's scanner
// as a reference for classify_line, inside the contract where it is exact
// (a NUL-terminated text of at most 511 bytes in which every number fits a
// signed 32-bit integer); a line cut as the reader cuts it; and the
// comparison of two classifications.
#pragma once

#include <tintlist/colour_database.hpp>

#include <algorithm>
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

    tintlist::classified_line classified() const {
        return {outcome, {rgb[0], rgb[1], rgb[2], name}};
    }
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

// Where the reader cuts the first line out of text: at its first NUL, or
// after its first newline.
inline std::size_t cut_length(std::string_view text) {
    std::size_t length = std::min(text.find('\0'), text.size());
    if (const std::size_t newline = text.find('\n'); newline < length) length = newline + 1;
    return length;
}

// The first `length` bytes of text as the reader's buffer holds them once
// cut: then the NUL that ends them unless they end in a newline, then
// `slack`, bytes that must never be taken.
inline std::string as_cut(std::string_view text, std::size_t length, std::string_view slack) {
    std::string buffer(text.substr(0, length));
    if (buffer.empty() || buffer.back() != '\n') buffer += '\0';
    return buffer.append(slack);
}

inline bool is_entry(const tintlist::classified_line& line) {
    return line.outcome == tintlist::line_outcome::entry ||
           line.outcome == tintlist::line_outcome::out_of_range;
}

// The same outcome, and for an entry the same values and name.
inline bool same_classification(const tintlist::classified_line& a,
                                const tintlist::classified_line& b) {
    const tintlist::colour_entry &x = a.colour, &y = b.colour;
    return a.outcome == b.outcome && (!is_entry(a) || (x.red == y.red && x.green == y.green &&
                                                       x.blue == y.blue && x.name == y.name));
}

} // namespace tintlist_test
