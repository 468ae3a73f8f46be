#include "colour_database.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tintlist {
namespace {

// Byte classes. White space is the C locale's: blank, \t, \n, \v, \f, \r. A
// NUL ends the text, so it is neither space nor digit and stops every field.
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
    std::uint64_t word = 0;
    if (end - p >= 8)
        std::memcpy(&word, p, 8);
    else if (p != end) // an empty view may have no data at all
        std::memcpy(&word, p, static_cast<std::size_t>(end - p));
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t swapped = 0;
        for (int i = 0; i < 8; ++i, word >>= 8) swapped = swapped << 8 | (word & 0xff);
        word = swapped;
    }
    return word;
}

// The digits at the front of a word: their count (0 to 8) and their value.
// Both are computed without a branch on the count: the count of a colour
// value varies from line to line and would mispredict.
struct digit_run {
    int count;
    std::uint32_t value;
};

digit_run leading_digits(std::uint64_t word) noexcept {
    constexpr std::uint64_t ones = 0x0101010101010101;
    // Each byte's digit value where it is a digit; its high bit is set in
    // `stops` where it is not. No sum carries into the next byte.
    const std::uint64_t values = word ^ (ones * '0');
    const std::uint64_t stops = (((values & ones * 0x7f) + ones * 0x76) | values) & ones * 0x80;
    const int count = std::countr_zero(stops) / 8;
    if (count == 0) return {0, 0};

    // Keep the count digits, shifted up so that zeros lead, then combine
    // pairs, fours and the two halves of the eight.
    std::uint64_t digits = values << (64 - 8 * count);
    digits = digits * 10 + (digits >> 8);
    digits = ((digits & 0x000000FF000000FF) * (100 + (1000000ULL << 32)) +
              ((digits >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32))) >>
             32;
    return {count, static_cast<std::uint32_t>(digits)};
}

// Reads optional white space, an optional sign and one or more decimal digits
// from p. Returns the position after the last digit, or null when there is no
// number. A magnitude beyond 32 bits saturates to the nearest limit.
const char* scan_number(const char* p, const char* end, std::int32_t& value) noexcept {
    p = skip_space(p, end);
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;

    const digit_run first = leading_digits(load_word(p, end));
    if (first.count == 0) return nullptr;
    p += first.count;
    if (first.count < 8) {
        // At most seven digits: far inside 32 bits.
        const auto magnitude = static_cast<std::int32_t>(first.value);
        value = negative ? -magnitude : magnitude;
        return p;
    }

    // Eight digits or more: growth stops once the magnitude exceeds 2^31, so
    // it never wraps, and the value saturates.
    constexpr std::uint64_t cap = std::uint64_t{1} << 31;
    std::uint64_t magnitude = first.value;
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

// The first c in [p, end), or end. memchr takes lengths of any kind without
// a mispredicted loop exit per line.
const char* find_byte(const char* p, const char* end, char c) noexcept {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

constexpr bool in_range(std::int32_t value) noexcept {
    return value >= 0 && value <= 255;
}

} // namespace

[[gnu::flatten]] classified_line classify_line(std::string_view text) noexcept {
    const char* const begin = text.data();
    const char* const end = begin + text.size();

    colour_entry colour{};
    const char* p = scan_number(begin, end, colour.red);
    if (p != nullptr) p = scan_number(p, end, colour.green);
    if (p != nullptr) p = scan_number(p, end, colour.blue);
    if (p != nullptr) p = skip_space(p, end);

    // skip_space passed every newline, so a name starts with any other byte
    // but NUL, and runs to the first newline or NUL.
    if (p == nullptr || p == end || *p == '\0') {
        const bool silent = text.empty() || text[0] == '\0' || text[0] == '!';
        return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
    }
    const char* name_end = find_byte(p, end, '\0');
    name_end = find_byte(p, name_end, '\n');
    colour.name = {p, static_cast<std::size_t>(name_end - p)};

    const bool valid = in_range(colour.red) && in_range(colour.green) && in_range(colour.blue);
    return {valid ? line_outcome::entry : line_outcome::out_of_range, colour};
}

} // namespace tintlist
