#include "colour_database.hpp"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace tintlist {
namespace {

// White space as the C locale defines it: blank, \t, \n, \v, \f, \r.
constexpr bool is_space(char c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool is_digit(char c) noexcept {
    return c >= '0' && c <= '9';
}

std::size_t skip_space(std::string_view text, std::size_t pos) noexcept {
    while (pos < text.size() && is_space(text[pos])) ++pos;
    return pos;
}

struct scanned_number {
    bool found;
    std::int32_t value;
    std::size_t end; // index just past the last digit
};

// Reads optional white space, an optional sign and one or more decimal digits
// starting at pos. A magnitude beyond 32 bits saturates to the nearest limit.
scanned_number scan_number(std::string_view text, std::size_t pos) noexcept {
    pos = skip_space(text, pos);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size() || !is_digit(text[pos])) return {false, 0, pos};

    // Growth stops once the magnitude exceeds 2^31, so it never wraps.
    constexpr std::uint64_t cap = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (; pos < text.size() && is_digit(text[pos]); ++pos) {
        if (magnitude <= cap) magnitude = magnitude * 10 + static_cast<unsigned>(text[pos] - '0');
    }

    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    std::int32_t value;
    if (negative)
        value = magnitude >= cap ? lowest : -static_cast<std::int32_t>(magnitude);
    else
        value = magnitude > static_cast<std::uint64_t>(highest)
                    ? highest
                    : static_cast<std::int32_t>(magnitude);
    return {true, value, pos};
}

constexpr bool in_range(std::int32_t value) noexcept {
    return value >= 0 && value <= 255;
}

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    text = text.substr(0, text.find('\0'));

    const scanned_number red = scan_number(text, 0);
    const scanned_number green = red.found ? scan_number(text, red.end) : red;
    const scanned_number blue = green.found ? scan_number(text, green.end) : green;
    const std::size_t name_begin = blue.found ? skip_space(text, blue.end) : text.size();

    if (name_begin == text.size()) {
        const bool silent = text.empty() || text.front() == '!';
        return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
    }

    // skip_space passed every newline, so the name holds at least one byte.
    const std::string_view name = text.substr(name_begin, text.find('\n', name_begin) - name_begin);
    const bool valid = in_range(red.value) && in_range(green.value) && in_range(blue.value);
    return {valid ? line_outcome::entry : line_outcome::out_of_range,
            {red.value, green.value, blue.value, name}};
}

} // namespace tintlist
