// SPDX-License-Identifier: MIT
// The figures beside the code are what the plainer form measured, against
// the form kept, in classify_line's benchmark (bench/classify_benchmark.cpp).
#include "colour_database.hpp"

#include "word.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tintlist {
namespace {

// Byte classes, from a table (comparisons instead: 18.0 against 16.5 ns a
// line in classify_line's benchmark).
// White space is the C locale's: blank, \t, \n, \v, \f, \r. A NUL ends the
// text, so it is neither space nor digit and stops every field.
enum : std::uint8_t { space = 1, digit = 2 };

constexpr auto byte_class = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = space;
    for (unsigned char c = '0'; c <= '9'; ++c) table[c] = digit;
    return table;
}();

bool is(const char* p, std::uint8_t kind) noexcept {
    return byte_class[static_cast<unsigned char>(*p)] == kind;
}

const char* skip_space(const char* p, const char* end) noexcept {
    while (p != end && is(p, space)) ++p;
    return p;
}

// Up to eight bytes from p, the first in the lowest bits; the bytes past end
// read as NUL, which is no digit.
std::uint64_t load_word(const char* p, const char* end) noexcept {
    if (end - p >= 8) return load8(p);
    std::uint64_t word = 0;
    for (const char* q = end; q != p;) word = word << 8 | static_cast<unsigned char>(*--q);
    return word;
}

// The number of decimal digits (0 to 8) at the front of a word, without a
// branch on the count: it varies from line to line and would mispredict.
int digit_count(std::uint64_t word) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101;
    // A byte's high bit is set where it is no digit. No sum carries into the
    // next byte.
    const std::uint64_t values = word ^ (ones * '0');
    const std::uint64_t stops = (((values & ones * 0x7f) + ones * 0x76) | values) & ones * 0x80;
    return std::countr_zero(stops) / 8;
}

// The value of the `count` (1 to 8) decimal digits at the front of a word.
std::uint32_t digits_value(std::uint64_t word, int count) noexcept {
    // Keep the count digits, shifted up so that zeros lead, then combine
    // pairs, fours and the two halves of the eight.
    std::uint64_t digits = (word ^ 0x3030303030303030) << (64 - 8 * count);
    digits = digits * 10 + (digits >> 8);
    digits = ((digits & 0x000000FF000000FF) * (100 + (1000000ULL << 32)) +
              ((digits >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32))) >>
             32;
    return static_cast<std::uint32_t>(digits);
}

// The value of a number of more than seven digits, from `magnitude`, the
// value of its digits before p, and the digits from p on. Growth stops once
// the magnitude exceeds 2^31, so it never wraps, and the value saturates.
// Returns the position after the last digit.
const char* long_number(const char* p, const char* end, std::uint64_t magnitude, bool negative,
                        std::int32_t& value) noexcept {
    constexpr std::uint64_t cap = std::uint64_t{1} << 31;
    for (; p != end && is(p, digit); ++p) {
        if (magnitude <= cap) magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    }
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (negative)
        value = magnitude >= cap ? lowest : -static_cast<std::int32_t>(magnitude);
    else
        value = magnitude > std::uint64_t{highest} ? highest : static_cast<std::int32_t>(magnitude);
    return p;
}

// Reads optional white space, an optional sign and one or more decimal digits
// from p. Returns the position after the last digit, or null when there is no
// number. A magnitude beyond 32 bits saturates to the nearest limit.
const char* scan_number(const char* p, const char* end, std::int32_t& value) noexcept {
    p = skip_space(p, end);
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;

    // Up to eight digits at once, with no branch on the number's length (a
    // loop over the digits, with comparisons for the byte classes: 28
    // against 17 ns a line); a longer number goes on digit by digit.
    const std::uint64_t word = load_word(p, end);
    const int count = digit_count(word);
    if (count == 0) return nullptr;
    const std::uint32_t magnitude = digits_value(word, count);
    if (count == 8) return long_number(p + 8, end, magnitude, negative, value);
    // At most seven digits: far inside 32 bits.
    value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    return p + count;
}

// The first c in [p, end), or end (one loop over the name for both bytes
// instead: 25 against 17 ns a line).
const char* find_byte(const char* p, const char* end, char c) noexcept {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// The outcome of a text that holds no entry.
classified_line no_entry_result(std::string_view text) noexcept {
    const bool silent = text.empty() || text[0] == '\0' || text[0] == '!';
    return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
}

// The outcome of an entry whose values were read into `colour` and whose
// name runs from `name` to `name_end`.
classified_line entry_result(colour_entry colour, const char* name, const char* name_end) noexcept {
    colour.name = {name, static_cast<std::size_t>(name_end - name)};
    // As unsigned, a negative value is beyond 255 too.
    const bool valid =
        (static_cast<std::uint32_t>(colour.red) | static_cast<std::uint32_t>(colour.green) |
         static_cast<std::uint32_t>(colour.blue)) <= 255;
    return {valid ? line_outcome::entry : line_outcome::out_of_range, colour};
}

// Once white space is passed, a name starts at any byte but NUL and newline.
bool starts_name(char c) noexcept {
    return c != '\0' && c != '\n';
}

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    const char* const end = text.data() + text.size();
    colour_entry colour{};
    const char* p = scan_number(text.data(), end, colour.red);
    if (p != nullptr) p = scan_number(p, end, colour.green);
    if (p != nullptr) p = scan_number(p, end, colour.blue);
    if (p != nullptr) p = skip_space(p, end);
    if (p == nullptr || p == end || !starts_name(*p)) return no_entry_result(text);
    // The name runs to the first newline or NUL.
    return entry_result(colour, p, find_byte(p, find_byte(p, end, '\0'), '\n'));
}

} // namespace tintlist
