// SPDX-License-Identifier: MIT
// The one grammar, classify_line, written to be checked against the rules
// in <tintlist/colour_database.hpp>. The line scanner's window reads most
// lines faster; the differential tests hold the two together.
#include "grammar.hpp"

#include <algorithm>
#include <limits>

namespace tintlist {
namespace {

// White space as the C locale has it: blank, \t, \n, \v, \f and \r.
bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

const char* skip_space(const char* p, const char* end) {
    while (p != end && is_space(*p)) ++p;
    return p;
}

// Reads an optional sign and one or more decimal digits at p into value,
// held to the nearer 32-bit limit when it lies beyond. Returns the place
// after the digits, or null where there are none.
const char* read_number(const char* p, const char* end, std::int32_t& value) {
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const char* const digits = p;
    while (p != end && is_digit(*p)) ++p;
    if (p == digits) return nullptr;
    const std::int64_t magnitude = digits_value(digits, p);
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    value =
        static_cast<std::int32_t>(std::clamp(negative ? -magnitude : magnitude, lowest, highest));
    return p;
}

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    const char* p = text.data();
    const char* const end = p + std::min(text.size(), text.find('\0')); // a NUL ends the text
    std::int32_t values[3];
    for (std::int32_t& value : values) {
        p = read_number(skip_space(p, end), end, value);
        if (p == nullptr) return not_an_entry(text);
    }
    // The name runs from the first byte that is not white space to the
    // first newline, and has one byte at least.
    p = skip_space(p, end);
    const char* const name_end = std::find(p, end, '\n');
    if (name_end == p) return not_an_entry(text);
    return entry_of(values, {p, static_cast<std::size_t>(name_end - p)});
}

} // namespace tintlist
