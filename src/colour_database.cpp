// SPDX-License-Identifier: MIT
#include "colour_database.hpp"

#include "byte_scan.hpp" // load8

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
    if (end - p >= 8) return load8(p);
    char bytes[8] = {};
    if (p != end) std::memcpy(bytes, p, static_cast<std::size_t>(end - p)); // may have no data
    return load8(bytes);
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

    const std::uint64_t word = load_word(p, end);
    const int count = digit_count(word);
    if (count == 0) return nullptr;
    const std::uint32_t magnitude = digits_value(word, count);
    if (count == 8) return long_number(p + 8, end, magnitude, negative, value);
    // At most seven digits: far inside 32 bits.
    value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    return p + count;
}

// The first c in [p, end), or end.
const char* find_byte(const char* p, const char* end, char c) noexcept {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

#if defined(__SSE2__)

// A cut line is read through a window of 16 bytes: which of them are white
// space and which are digits is found at once, and every field is then found
// by counting bits, with no branch on the length of a run. A newline can only
// end a cut line, so it counts as no white space and stops every field, as
// the NUL or newline after a line without one does; the bytes after that are
// never taken. A run that reaches the end of the window goes on in the next.
//
// The cursor is passed by value and returned, so that it stays in registers.
struct cut_cursor {
    const char* base;           // the window's first byte
    std::uint32_t space, digit; // one bit a byte, 16 bits
    int at;                     // the place in the window, 0 to 16
};

cut_cursor look_at(const char* p) noexcept {
    const field_bits bits = cut_field_bits(p);
    return {p, bits.space, bits.digit, 0};
}

// The end of the run of bytes of one kind (space or digit, as cut lines
// class them) that goes on at p. Kept out of line: runs that outlast a
// window are rare.
[[gnu::noinline]] const char* run_end(const char* p, std::uint8_t kind) noexcept {
    const auto kind_of = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == '\n' ? std::uint8_t{0} : byte_class[b];
    };
    while (kind_of(*p) == kind) ++p;
    return p;
}

// The cursor at the first byte from c.at that is not of the kind given; the
// window moves to the end of a run that reaches its end.
template <std::uint32_t cut_cursor::*kind>
cut_cursor skip(cut_cursor c) noexcept {
    // Past the window the complement is all ones: the count stops there,
    // and is never asked of zero.
    c.at += __builtin_ctz(~(c.*kind >> c.at));
    if (c.at == 16) [[unlikely]]
        c = look_at(run_end(c.base + 16, kind == &cut_cursor::space ? space : digit));
    return c;
}

struct cut_number {
    cut_cursor after; // after the number's last digit
    std::int32_t value;
    bool found; // false when there is no number
};

// As scan_number, from the cursor. Reads any number: with a sign, with no
// digit or many, or running past the window.
[[gnu::noinline]] cut_number scan_any_cut_number(cut_cursor c) noexcept {
    c = skip<&cut_cursor::space>(c);
    const char sign = c.base[c.at];
    const bool negative = sign == '-';
    c.at += sign == '+' || sign == '-';
    const char* const digits = c.base + c.at;
    c = skip<&cut_cursor::digit>(c);
    const char* const end = c.base + c.at;
    const auto count = static_cast<int>(end - digits);
    if (count == 0) return {c, 0, false};

    std::int32_t value;
    const std::uint64_t word = load8(digits);
    if (count >= 8) {
        long_number(digits + 8, end, digits_value(word, 8), negative, value);
    } else {
        const std::uint32_t magnitude = digits_value(word, count);
        value =
            negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    }
    return {c, value, true};
}

// The value of the `count` (1 to 3) decimal digits at p.
std::int32_t small_value(const char* p, int count) noexcept {
    // The digits' values shifted up so that the last is in the top byte and
    // zeros lead: a number b1 b2 b3 in bytes 1 to 3. Byte 1 of `pairs` is
    // then 10 b1 + b2; no byte carries into the next.
    std::uint32_t x;
    std::memcpy(&x, p, 4);
    if constexpr (std::endian::native == std::endian::big) x = __builtin_bswap32(x);
    x = (x ^ 0x30303030) << (32 - 8 * count);
    const std::uint32_t pairs = x * 10 + (x >> 8);
    return static_cast<std::int32_t>((pairs >> 8 & 0xff) * 10 + (x >> 24));
}

// As scan_any_cut_number, from the cursor, which it moves after the number.
// Numbers of one to three digits with no sign, the only ones a colour needs,
// take no branch that depends on their length; all others are read by
// scan_any_cut_number.
[[gnu::always_inline]] inline bool scan_cut_number(cut_cursor& c, std::int32_t& value) noexcept {
    // The complement of a mask is all ones past the window, so neither
    // count goes past its end; a run that reaches it is not taken here.
    const int first = c.at + __builtin_ctz(~(c.space >> c.at));
    const int end = first + __builtin_ctz(~(c.digit >> first));
    const int count = end - first;
    if (static_cast<unsigned>(count - 1) > 2 || end == 16) [[unlikely]] {
        // No digit and no sign in the window: no number (a comment, say).
        const char next = c.base[first];
        if (count == 0 && first < 16 && next != '+' && next != '-') return false;
        const cut_number number = scan_any_cut_number(c);
        c = number.after;
        value = number.value;
        return number.found;
    }
    value = small_value(c.base + first, count);
    c.at = end;
    return true;
}

#endif

// The outcome of a text whose values were read into `colour` and whose name
// starts at `name`, null when the values could not be read. A name starts
// with any byte but white space, NUL and a newline that ends a cut line; it
// runs to name_end(name).
template <typename NameEnd>
[[gnu::always_inline]] inline classified_line
conclude(std::string_view text, const char* name, colour_entry colour, NameEnd name_end) noexcept {
    const char* const end = text.data() + text.size();
    if (name == nullptr || name == end || *name == '\0' || *name == '\n') {
        const bool silent = text.empty() || text[0] == '\0' || text[0] == '!';
        return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
    }
    colour.name = {name, static_cast<std::size_t>(name_end(name) - name)};
    // As unsigned, a negative value is beyond 255 too.
    const bool valid =
        (static_cast<std::uint32_t>(colour.red) | static_cast<std::uint32_t>(colour.green) |
         static_cast<std::uint32_t>(colour.blue)) <= 255;
    return {valid ? line_outcome::entry : line_outcome::out_of_range, colour};
}

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    const char* const end = text.data() + text.size();
    colour_entry colour{};
    const char* p = scan_number(text.data(), end, colour.red);
    if (p != nullptr) p = scan_number(p, end, colour.green);
    if (p != nullptr) p = scan_number(p, end, colour.blue);
    if (p != nullptr) p = skip_space(p, end);
    // The name runs to the first newline or NUL.
    return conclude(text, p, colour, [end](const char* name) {
        return find_byte(name, find_byte(name, end, '\0'), '\n');
    });
}

classified_line classify_cut_line(std::string_view text) noexcept {
#if defined(__SSE2__)
    // The name runs to the end, less a newline there.
    const char* const end = text.data() + text.size();
    const auto name_end = [end](const char*) { return end - (end[-1] == '\n'); };
    cut_cursor c = look_at(text.data());
    colour_entry colour{};
    if (!scan_cut_number(c, colour.red) || !scan_cut_number(c, colour.green) ||
        !scan_cut_number(c, colour.blue))
        return conclude(text, nullptr, {}, name_end);
    c = skip<&cut_cursor::space>(c);
    return conclude(text, c.base + c.at, colour, name_end);
#else
    return classify_line(text);
#endif
}

} // namespace tintlist
