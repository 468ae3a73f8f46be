// SPDX-License-Identifier: MIT
// classify_line against the C library's scanner, on generated lines that stay
// inside what the scanner handles well: no NUL, at most 511 bytes, every
// number fitting 32 bits. classify_cut_line against classify_line on the same
// lines, cut as the listing cuts them, with any bytes after them.

#include "line_scanner.hpp"
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

class line_maker {
  public:
    explicit line_maker(unsigned seed) : random_(seed) {}

    std::string make() {
        std::string line;
        if (chance(3)) line += pick("!!   \t\n#x+-");
        for (int field = 0; field < 3; ++field) {
            add_space(line);
            if (chance(40)) add_junk(line);
            add_number(line);
        }
        add_space(line);
        if (!chance(10)) add_name(line);
        if (chance(5)) add_junk(line);
        if (!chance(8)) line += '\n';
        if (line.size() > 511) line.resize(511);
        return line;
    }

  private:
    bool chance(unsigned one_in) { return random_() % one_in == 0; }
    char pick(std::string_view from) { return from[random_() % from.size()]; }

    void add_space(std::string& line) {
        const unsigned count = chance(4) ? 0 : random_() % 4;
        for (unsigned i = 0; i < count; ++i) line += pick("   \t\t\n\v\f\r");
    }

    void add_number(std::string& line) {
        const char sign = chance(6) ? pick("+-") : '\0';
        if (sign != '\0') line += sign;
        if (chance(8)) line.append(random_() % 4, '0');
        if (chance(50)) {
            line += sign == '-' ? "2147483648" : "2147483647";
            return;
        }
        const unsigned digits = chance(3) ? 1 + random_() % 9 : 1 + random_() % 3;
        for (unsigned i = 0; i < digits; ++i) line += static_cast<char>('0' + random_() % 10);
    }

    void add_name(std::string& line) {
        const unsigned length = chance(20) ? random_() % 500 : 1 + random_() % 20;
        for (unsigned i = 0; i < length; ++i) {
            line += chance(5) ? pick(" \t%\r!0123456789xX\xe9\xff")
                              : pick("abcdefghijklmnopqrstuvwxyz");
        }
    }

    void add_junk(std::string& line) { line += pick("x+-!.,\n \xff%"); }

    std::mt19937 random_;
};

TEST(ClassifyLine, AgreesWithTheCLibraryScanner) {
    line_maker maker(20261208);
    int entries = 0, compared = 0;
    for (int i = 0; i < 300'000; ++i) {
        const std::string line = maker.make();
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
    line_maker maker(4242);
    std::mt19937 random(99);
    int nul_cut = 0, entries = 0;
    for (int i = 0; i < 300'000; ++i) {
        std::string line = maker.make();
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
