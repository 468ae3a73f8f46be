// SPDX-License-Identifier: MIT
#include "colour_database.hpp"

#include "byte_scan.hpp" // load8

#include <algorithm>
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

// The value of the number whose digits start at p: `count` (1 to 8) of them
// at the front of `word`, where 8 means that more may follow up to end.
// Returns the position after the last digit.
const char* number_value(const char* p, const char* end, std::uint64_t word, int count,
                         bool negative, std::int32_t& value) noexcept {
    const std::uint32_t magnitude = digits_value(word, count);
    if (count == 8) return long_number(p + 8, end, magnitude, negative, value);
    // At most seven digits: far inside 32 bits.
    value = negative ? -static_cast<std::int32_t>(magnitude) : static_cast<std::int32_t>(magnitude);
    return p + count;
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
    return number_value(p, end, word, count, negative, value);
}

// The first c in [p, end), or end.
const char* find_byte(const char* p, const char* end, char c) noexcept {
    const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// The outcome of a text that holds no entry.
classified_line no_entry(std::string_view text) noexcept {
    const bool silent = text.empty() || text[0] == '\0' || text[0] == '!';
    return {silent ? line_outcome::skipped : line_outcome::syntax_error, {}};
}

// The outcome of an entry whose values were read into `colour` and whose
// name runs from `name` to `name_end`.
classified_line entry(colour_entry colour, const char* name, const char* name_end) noexcept {
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

// As scan_number, from the cursor, which it moves after the number; false
// when there is no number. Reads any number: with a sign, with no digit or
// many, or running past the window.
bool scan_any_cut_number(cut_cursor& c, std::int32_t& value) noexcept {
    c = skip<&cut_cursor::space>(c);
    const char sign = c.base[c.at];
    const bool negative = sign == '-';
    c.at += sign == '+' || sign == '-';
    const char* const digits = c.base + c.at;
    c = skip<&cut_cursor::digit>(c);
    const char* const end = c.base + c.at;
    const auto count = static_cast<int>(end - digits);
    if (count == 0) return false;
    number_value(digits, end, load8(digits), std::min(count, 8), negative, value);
    return true;
}

// The value of the `count` (1 to 3) decimal digits at p.
std::int32_t small_value(const char* p, int count) noexcept {
    // The digits' values shifted up so that the last is in the top byte and
    // zeros lead: a number b1 b2 b3 in bytes 1 to 3. Byte 1 of `pairs` is
    // then 10 b1 + b2; no byte carries into the next.
    auto x = static_cast<std::uint32_t>(load8(p));
    x = (x ^ 0x30303030) << (32 - 8 * count);
    const std::uint32_t pairs = x * 10 + (x >> 8);
    return static_cast<std::int32_t>((pairs >> 8 & 0xff) * 10 + (x >> 24));
}

// The outcome of a cut line whose values were read into `colour` and whose
// name would start at `name`: the name runs to the end, less a newline there.
// The byte at the end of a cut line is a newline or a NUL, so the end is never
// taken for a name.
classified_line cut_line_outcome(std::string_view text, const char* name,
                                 colour_entry colour) noexcept {
    if (!starts_name(*name)) return no_entry(text);
    const char* const end = text.data() + text.size();
    return entry(colour, name, end - (end[-1] == '\n'));
}

// classify_cut_line for every line: signs, numbers of any length, and runs
// that go on past a window. Kept out of line, as such lines are rare.
[[gnu::noinline]] classified_line classify_any_cut_line(std::string_view text) noexcept {
    cut_cursor c = look_at(text.data());
    colour_entry colour{};
    if (!scan_any_cut_number(c, colour.red) || !scan_any_cut_number(c, colour.green) ||
        !scan_any_cut_number(c, colour.blue))
        return no_entry(text);
    c = skip<&cut_cursor::space>(c);
    return cut_line_outcome(text, c.base + c.at, colour);
}

#endif

} // namespace

classified_line classify_line(std::string_view text) noexcept {
    const char* const end = text.data() + text.size();
    colour_entry colour{};
    const char* p = scan_number(text.data(), end, colour.red);
    if (p != nullptr) p = scan_number(p, end, colour.green);
    if (p != nullptr) p = scan_number(p, end, colour.blue);
    if (p != nullptr) p = skip_space(p, end);
    if (p == nullptr || p == end || !starts_name(*p)) return no_entry(text);
    // The name runs to the first newline or NUL.
    return entry(colour, p, find_byte(p, find_byte(p, end, '\0'), '\n'));
}

classified_line classify_cut_line(std::string_view text) noexcept {
#if defined(__SSE2__)
    // Lines whose three numbers have one to three digits and no sign, and
    // whose name starts in the first window, as colours' lines do, are read
    // here with no branch on the length of a run or a number. Any other
    // line is read again by classify_any_cut_line.
    const char* const p = text.data();
    const field_bits bits = cut_field_bits(p);
    colour_entry colour{};
    int at = 0;
    for (std::int32_t* value : {&colour.red, &colour.green, &colour.blue}) {
        // The complement of a mask is all ones past the window, so no count
        // goes past its end. A run that reaches the end leaves the next
        // number with no digit, or the name at the end of the window.
        const int first = at + __builtin_ctz(~(bits.space >> at));
        at = first + __builtin_ctz(~(bits.digit >> first));
        const int count = at - first;
        if (static_cast<unsigned>(count - 1) > 2) [[unlikely]] {
            // No digit and no sign: no number here (a comment, say).
            if (count == 0 && first < 16 && p[first] != '+' && p[first] != '-')
                return no_entry(text);
            return classify_any_cut_line(text);
        }
        *value = small_value(p + first, count);
    }
    const int name = at + __builtin_ctz(~(bits.space >> at));
    if (name == 16) [[unlikely]]
        return classify_any_cut_line(text);
    return cut_line_outcome(text, p + name, colour);
#else
    return classify_line(text);
#endif
}

} // namespace tintlist
