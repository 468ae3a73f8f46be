// SPDX-License-Identifier: MIT
#include <tintlist/colour_database.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace {

using tintlist::classify_line;
using tintlist::line_outcome;
using namespace std::string_literals;

constexpr std::int32_t int_min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int_max = std::numeric_limits<std::int32_t>::max();

struct colour_case {
    const char* title;
    std::string text;
    line_outcome outcome;
    std::int32_t red, green, blue;
    std::string name;
};

void expect_case(const colour_case& c) {
    SCOPED_TRACE(c.title);
    const auto [outcome, colour] = classify_line(c.text);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(colour.red, c.red);
    EXPECT_EQ(colour.green, c.green);
    EXPECT_EQ(colour.blue, c.blue);
    EXPECT_EQ(colour.name, c.name);
    if (!colour.name.empty()) {
        // The name is a view into the text, not a copy.
        EXPECT_GE(colour.name.data(), c.text.data());
        EXPECT_LE(colour.name.data() + colour.name.size(), c.text.data() + c.text.size());
    }
}

constexpr auto entry = line_outcome::entry;
constexpr auto out_of_range = line_outcome::out_of_range;
constexpr auto skipped = line_outcome::skipped;
constexpr auto syntax_error = line_outcome::syntax_error;

TEST(ClassifyLine, Grammar) {
    const colour_case cases[] = {
        {"single blanks", "255 250 250 snow\n", entry, 255, 250, 250, "snow"},
        {"tabs", "255\t250\t250\tsnow\n", entry, 255, 250, 250, "snow"},
        {"several blanks", "  255   250  250     snow\n", entry, 255, 250, 250, "snow"},
        {"no newline", "1 2 3 x", entry, 1, 2, 3, "x"},
        {"every kind of white space", "\v1\f2\r3\t \v\f\rx\n", entry, 1, 2, 3, "x"},
        {"plus signs", "+255 +0 +0 red\n", entry, 255, 0, 0, "red"},
        {"minus zero", "-0 0 0 black\n", entry, 0, 0, 0, "black"},
        {"leading zeros are decimal", "007 010 0255 n\n", entry, 7, 10, 255, "n"},
        {"no hexadecimal prefix", "1 2 0x10\n", entry, 1, 2, 0, "x10"},
        {"hexadecimal red", "0x1 2 3 n\n", syntax_error, 0, 0, 0, ""},
        {"name straight after a digit", "1 2 3abc\n", entry, 1, 2, 3, "abc"},
        {"four numbers", "1 2 3 4 five\n", entry, 1, 2, 3, "4 five"},
        {"newlines before the name", "1 2 3\n\nname\n", entry, 1, 2, 3, "name"},
        {"newline between values", "1\n2\n3 n\n", entry, 1, 2, 3, "n"},
        {"sign then blank", "- 1 2 3 n\n", syntax_error, 0, 0, 0, ""},
        {"double sign", "+-1 2 3 n\n", syntax_error, 0, 0, 0, ""},
        {"sign at the end", "1 2 +", syntax_error, 0, 0, 0, ""},
        {"no name", "1 2 3\n", syntax_error, 0, 0, 0, ""},
        {"no name, trailing blanks", "1 2 3  \t\n", syntax_error, 0, 0, 0, ""},
        {"third field not a number", "1 2 x name\n", syntax_error, 0, 0, 0, ""},
        {"words only", "light blue\n", syntax_error, 0, 0, 0, ""},
        {"comma separated", "1,2,3 n\n", syntax_error, 0, 0, 0, ""},
    };
    for (const auto& c : cases) expect_case(c);
}

TEST(ClassifyLine, NameBytesAreKept) {
    const colour_case cases[] = {
        {"inner and trailing blanks", "1 2 3 light  blue  \n", entry, 1, 2, 3, "light  blue  "},
        {"tabs and percent signs", "1 2 3 a\t%s%d\t\n", entry, 1, 2, 3, "a\t%s%d\t"},
        {"carriage return in the name", "1 2 3 a\rb\r\n", entry, 1, 2, 3, "a\rb\r"},
        {"eighth-bit bytes", "1 2 3 \xc3\xa9t\xe9\n", entry, 1, 2, 3, "\xc3\xa9t\xe9"},
        {"ends at the first newline", "1 2 3 a\nb\n", entry, 1, 2, 3, "a"},
    };
    for (const auto& c : cases) expect_case(c);
}

TEST(ClassifyLine, Ranges) {
    const colour_case cases[] = {
        {"bounds", "0 255 0 edge\n", entry, 0, 255, 0, "edge"},
        {"red 256", "256 0 0 hot\n", out_of_range, 256, 0, 0, "hot"},
        {"green -1", "0 -1 0 cold\n", out_of_range, 0, -1, 0, "cold"},
        {"blue 1000", "0 0 1000 deep\n", out_of_range, 0, 0, 1000, "deep"},
        {"largest 32-bit value", "2147483647 0 0 n", out_of_range, int_max, 0, 0, "n"},
        {"smallest 32-bit value", "-2147483648 0 0 n", out_of_range, int_min, 0, 0, "n"},
        {"seven digits", "1234567 -7654321 0 n", out_of_range, 1234567, -7654321, 0, "n"},
        {"eight digits", "12345678 -87654321 0 n", out_of_range, 12345678, -87654321, 0, "n"},
        {"nine digits", "0 123456789 -987654321 n", out_of_range, 0, 123456789, -987654321, "n"},
        {"number at the end of the text", "1 2 12345678", syntax_error, 0, 0, 0, ""},
    };
    for (const auto& c : cases) expect_case(c);
}

// Values that do not fit 32 bits must not wrap into range.
TEST(ClassifyLine, OverflowSaturates) {
    const colour_case cases[] = {
        {"2^32 would wrap to 0", "4294967296 0 0 x\n", out_of_range, int_max, 0, 0, "x"},
        {"2^32 + 255", "0 4294967551 0 x\n", out_of_range, 0, int_max, 0, "x"},
        {"just past the top", "0 0 2147483648 x\n", out_of_range, 0, 0, int_max, "x"},
        {"just past the bottom", "-2147483649 0 0 x\n", out_of_range, int_min, 0, 0, "x"},
        {"many digits", "0 0 -99999999999999999999999999 x\n", out_of_range, 0, 0, int_min, "x"},
        {"leading zeros do not count", "0000000000000255 0 00000000000000000000 x\n", entry, 255, 0,
         0, "x"},
    };
    for (const auto& c : cases) expect_case(c);
}

TEST(ClassifyLine, FirstByteAndNul) {
    const colour_case cases[] = {
        {"comment", "! 1 2 3 not listed\n", skipped, 0, 0, 0, ""},
        {"bare comment mark", "!", skipped, 0, 0, 0, ""},
        {"blank before the mark", " ! comment\n", syntax_error, 0, 0, 0, ""},
        {"empty text", "", skipped, 0, 0, 0, ""},
        {"newline only", "\n", syntax_error, 0, 0, 0, ""},
        {"blanks only", "  \t \n", syntax_error, 0, 0, 0, ""},
        {"first byte NUL", "\0 1 2 3 x\n"s, skipped, 0, 0, 0, ""},
        {"NUL ends the name", "1 2 3 ab\0cd\n"s, entry, 1, 2, 3, "ab"},
        {"NUL before the name", "1 2 3 \0name\n"s, syntax_error, 0, 0, 0, ""},
        {"NUL inside a value", "1 2\0003 n\n"s, syntax_error, 0, 0, 0, ""},
        {"comment mark after a NUL", "\0!"s, skipped, 0, 0, 0, ""},
    };
    for (const auto& c : cases) expect_case(c);
    // A view with no data at all is an empty text too.
    EXPECT_EQ(classify_line(std::string_view{}).outcome, skipped);
}

} // namespace
