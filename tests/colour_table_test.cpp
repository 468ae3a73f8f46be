// SPDX-License-Identifier: MIT
// The colour table: CIEDE2000 against its authors' test pairs, sRGB to
// CIELAB, finding by name, and the nearest colour against a search of all.

#include <tintlist/colour_database.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

using tintlist::colour_table;
using tintlist::lab_colour;

TEST(Ciede2000, PublishedPairsBothWaysRound) {
    std::ifstream in(TINTLIST_CIEDE2000_PAIRS);
    ASSERT_TRUE(in) << TINTLIST_CIEDE2000_PAIRS;
    int pairs = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        lab_colour x, y;
        double expected;
        char c;
        fields >> x.lightness >> c >> x.a >> c >> x.b >> c >> y.lightness >> c >> y.a >> c >> y.b >>
            c >> expected;
        ASSERT_TRUE(fields) << line;
        EXPECT_NEAR(tintlist::ciede2000(x, y), expected, 1e-4) << line;
        EXPECT_NEAR(tintlist::ciede2000(y, x), expected, 1e-4) << line;
        ++pairs;
    }
    EXPECT_EQ(pairs, 34);
}

// The published values of sRGB's primaries in CIELAB under D65.
TEST(ToLab, KnownColours) {
    const struct {
        int red, green, blue;
        lab_colour lab;
    } cases[] = {
        {255, 255, 255, {100, 0, 0}},
        {0, 0, 0, {0, 0, 0}},
        {255, 0, 0, {53.2408, 80.0925, 67.2032}},
        {0, 255, 0, {87.7347, -86.1827, 83.1793}},
        {0, 0, 255, {32.2970, 79.1875, -107.8602}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.red << " " << c.green << " " << c.blue);
        const lab_colour lab = tintlist::to_lab(c.red, c.green, c.blue);
        EXPECT_NEAR(lab.lightness, c.lab.lightness, 1e-4);
        EXPECT_NEAR(lab.a, c.lab.a, 1e-4);
        EXPECT_NEAR(lab.b, c.lab.b, 1e-4);
    }
    // A value beyond 0..255 is held to the nearer end, here as elsewhere.
    EXPECT_EQ(tintlist::to_lab(300, -5, 255).a, tintlist::to_lab(255, 0, 255).a);
    EXPECT_EQ(tintlist::xterm_palette_index(300, -5, 999),
              tintlist::xterm_palette_index(255, 0, 255));
    EXPECT_FALSE(tintlist::black_text_contrasts_more(-1000, -1, -7));
}

TEST(ColourTable, TakesTheEntriesOfADatabase) {
    auto reader = tintlist::database_reader::from_text(
        "! comment\n1 2 3 dark slate gray\n300 0 0 too red\nbad\n4 5 6 DarkSlateGray\n"
        "7 8 9 Snow\n10 11 12 caf\xc3\xa9\n13 14 15 \xc3\x89t\xc3\xa9\n");
    colour_table table(reader);
    EXPECT_EQ(table.size(), 5u);
    EXPECT_FALSE(table.add({0, -1, 0, "cold"}));
    EXPECT_EQ(table.size(), 5u);
    const struct {
        const char* asked;
        const char* found; // null for none
    } cases[] = {
        {"dark slate gray", "dark slate gray"},
        {"DarkSlateGray", "dark slate gray"},
        {"DARK\tSLATE GRAY ", "dark slate gray"},
        {"darkslategrey", nullptr},
        {"snow", "Snow"},
        {" s N o W\t", "Snow"},
        {"CAF\xc3\xa9", "caf\xc3\xa9"},
        {"\xc3\xa9t\xc3\xa9", nullptr},
        {"", nullptr},
        {"too red", nullptr},
    };
    for (const auto& c : cases) {
        const tintlist::colour_entry* found = table.find(c.asked);
        EXPECT_EQ(found != nullptr ? found->name : "(none)",
                  c.found != nullptr ? c.found : "(none)")
            << '"' << c.asked << '"';
    }
}

// Against a plain search of every colour, on random tables and colours;
// values repeat often, so that ties must go to the first.
TEST(ColourTable, NearestAsASearchOfAll) {
    std::mt19937 random(2000);
    const auto value = [&] {
        return static_cast<int>(random() % 4 == 0 ? random() % 3 * 127 : random() % 256);
    };
    for (int round = 0; round < 20; ++round) {
        colour_table table;
        EXPECT_EQ(table.nearest(1, 2, 3), nullptr);
        const int size = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < size; ++i) table.add({value(), value(), value(), "c"});
        for (int query = 0; query < 100; ++query) {
            const int r = value(), g = value(), b = value();
            const lab_colour target = tintlist::to_lab(r, g, b);
            std::size_t best = 0;
            double least = 1e300;
            for (std::size_t i = 0; i < table.size(); ++i) {
                const tintlist::colour_entry& c = table[i];
                const double d =
                    tintlist::ciede2000(target, tintlist::to_lab(c.red, c.green, c.blue));
                if (d < least) {
                    least = d;
                    best = i;
                }
            }
            ASSERT_EQ(table.nearest(r, g, b), &table[best]) << r << " " << g << " " << b;
        }
    }
    colour_table table;
    table.add({1, 2, 3, "a"});
    EXPECT_EQ(table.nearest(256, 0, 0), nullptr);
    EXPECT_EQ(table.nearest(0, -1, 0), nullptr);
}

} // namespace
