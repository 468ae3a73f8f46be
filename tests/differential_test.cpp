// SPDX-License-Identifier: MIT
// classify_line against the C library's scanner, on generated lines that stay
// inside what the scanner handles well: no NUL, at most 511 bytes, every
// number fitting 32 bits. classify_cut_line against classify_line on the same
// lines, cut as the listing cuts them, with any bytes after them.

#include "line_scanner.hpp"
#include "random_lines.hpp"
#include "scanner_reference.hpp"
#include <tintlist/colour_database.hpp>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using tintlist::classified_line;
using tintlist::classify_cut_line;
using tintlist::classify_line;
using tintlist::line_outcome;

TEST(ClassifyLine, AgreesWithTheCLibraryScanner) {
    tintlist_test::random_lines maker(20261208);
    int entries = 0, compared = 0;
    for (int i = 0; i < 300'000; ++i) {
        const std::string line = maker.tricky();
        if (!tintlist_test::inside_contract(line)) continue;
        ++compared;
        const auto expected = tintlist_test::reference_classify(line);
        const classified_line actual = classify_line(line);
        ASSERT_TRUE(tintlist_test::same_classification(actual, expected.classified()))
            << '"' << line << '"';
        entries += tintlist_test::is_entry(actual);
    }
    // The generator must exercise both sides of the grammar.
    EXPECT_GT(compared, 250'000);
    EXPECT_GT(entries, compared / 10);
    EXPECT_LT(entries, compared * 9 / 10);
}

// classify_cut_line and classify_line agree on the first `length` bytes of
// `line`, cut as the listing cuts lines. The NUL after them, or a NUL put
// there when they do not end in a newline, follows them, then `slack`, bytes
// that must never be taken. Counts the entries in `entries`.
::testing::AssertionResult cut_agrees(const std::string& line, std::size_t length,
                                      const std::string& slack, int& entries) {
    const std::string buffer = tintlist_test::as_cut(line, length, slack);
    const std::string_view text(buffer.data(), length);
    const classified_line expected = classify_line(text);
    entries += tintlist_test::is_entry(expected);
    if (tintlist_test::same_classification(classify_cut_line(text), expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "they differ on \"" << text << '"';
}

// Generated lines, with NULs and numbers past 32 bits, cut at their first
// NUL or after their first newline.
TEST(ClassifyCutLine, AgreesWithClassifyLine) {
    tintlist_test::random_lines maker(4242);
    std::mt19937 random(99);
    int nul_cut = 0, entries = 0;
    for (int i = 0; i < 300'000; ++i) {
        std::string line = maker.tricky();
        if (i % 7 == 0) line.insert(random() % (line.size() + 1), 1, '\0');
        if (i % 5 == 0) line.insert(0, std::to_string(random()) + "9999999999 ");

        const std::size_t length = tintlist_test::cut_length(line);
        nul_cut += line.find('\0') < line.find('\n');
        std::string slack;
        for (std::size_t k = 0; k < tintlist::readable_slack; ++k)
            slack += "7 +-\t\v x\r"[random() % 10];
        ASSERT_TRUE(cut_agrees(line, length, slack, entries));
    }
    EXPECT_GT(entries, 30'000);
    EXPECT_GT(nul_cut, 20'000);
}

// Runs of white space and digits of every length up to well past a vector,
// before and in each field, so that every field starts and ends at every
// place of the vectors that read it.
TEST(ClassifyCutLine, RunsAcrossVectorEdges) {
    const std::string slack(tintlist::readable_slack, '5');
    int compared = 0, entries = 0;
    for (int field = 0; field < 4; ++field) {
        for (int spaces = 0; spaces <= 36; ++spaces) {
            for (int digits = 1; digits <= 20; ++digits) {
                for (const char* tail : {"\n", "", "\r\n", " x\n", "x"}) {
                    std::string line;
                    for (int f = 0; f < 3; ++f) {
                        line.append(f == field ? spaces : 1, f == field && spaces % 3 ? '\t' : ' ');
                        line += f == field ? std::string(digits, '1') : "7";
                    }
                    line.append(field == 3 ? spaces : 1, ' ');
                    line += field == 3 ? std::string(digits, 'n') : "name";
                    line += tail;
                    ASSERT_TRUE(cut_agrees(line, line.size(), slack, entries));
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 4 * 37 * 20 * 5);
    EXPECT_GT(entries, compared / 2);
}

// A sign, or a byte that starts no number, at every place of the window
// before each field; and numbers at the edge of those read without a
// branch on their length (three digits against four, leading zeros).
TEST(ClassifyCutLine, SignsAndNumberLengthsAtEveryPlace) {
    const std::string slack(tintlist::readable_slack, '5');
    int compared = 0, entries = 0;
    for (int field = 0; field < 3; ++field) {
        for (int spaces = 0; spaces <= 17; ++spaces) {
            for (const char* prefix : {"", "+", "-", "+-", "x", "!"}) {
                for (const char* digits : {"0", "7", "99", "255", "256", "007", "0255", "1000"}) {
                    std::string line;
                    for (int f = 0; f < 3; ++f) {
                        line.append(f == field ? spaces : 1, ' ');
                        if (f == field) line += prefix;
                        line += f == field ? digits : "1";
                    }
                    line += " name\n";
                    ASSERT_TRUE(cut_agrees(line, line.size(), slack, entries));
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 3 * 18 * 6 * 8);
    EXPECT_GT(entries, compared / 4);
}

} // namespace
