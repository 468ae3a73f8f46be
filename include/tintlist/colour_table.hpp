// SPDX-License-Identifier: MIT
// The colours of a database, found by name and by likeness.
// <tintlist/colour_database.hpp> includes this header.
#pragma once

#include <tintlist/colour_database.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tintlist {

// A colour in CIELAB: its lightness, 0 to 100, and its places on the
// green-red and blue-yellow axes.
struct lab_colour {
    double lightness, a, b;
};

// The sRGB colour (IEC 61966-2-1) of red, green and blue, each 0..255 (a
// value beyond is held to the nearer end), in CIELAB under D65; white is
// lightness 100 and greys have a = b = 0.
[[nodiscard]] lab_colour to_lab(int red, int green, int blue) noexcept;

// The linear light, 0 to 1, of each sRGB value 0..255, worked out when
// compiling, so that a program needs no maths library for it: the tintlist
// command, which would have one more library to load at every start. Above
// the toe, x^2.4 is x^2 times the fifth root of x^2, by Newton's method.
inline constexpr std::array<double, 256> srgb_linear_light = [] {
    std::array<double, 256> table{};
    for (std::size_t value = 0; value < 256; ++value) {
        const double x = static_cast<double>(value) / 255;
        const double y = (x + 0.055) / 1.055;
        double root = 1;
        for (int step = 0; step < 40; ++step)
            root -= (root * root * root * root * root - y * y) / (5 * root * root * root * root);
        table[value] = x <= 0.04045 ? x / 12.92 : y * y * root;
    }
    return table;
}();

// The linear light of an sRGB value, held to 0..255.
[[nodiscard]] inline double srgb_linear(int value) noexcept {
    return srgb_linear_light[static_cast<std::size_t>(std::clamp(value, 0, 255))];
}

// True when black text on the sRGB colour (each value 0..255, a value
// beyond held to the nearer end) has a greater WCAG contrast ratio than
// white: (Y + 0.05) / 0.05 against 1.05 / (Y + 0.05), where Y is the
// colour's relative luminance.
[[nodiscard]] inline bool black_text_contrasts_more(int red, int green, int blue) noexcept {
    const double y =
        0.2126 * srgb_linear(red) + 0.7152 * srgb_linear(green) + 0.0722 * srgb_linear(blue);
    return (y + 0.05) * (y + 0.05) > 0.05 * 1.05;
}

// The colour of xterm's palette of 256 nearest in RGB to the sRGB colour
// (each value 0..255, a value beyond held to the nearer end): of its 6x6x6 cube (16 to 231, levels
// 0, 95, 135, 175, 215 and 255) or its ramp of greys (232 to 255, 8 to 238). The first 16 are left
// out, as each terminal has its own.
[[nodiscard]] inline int xterm_palette_index(int red, int green, int blue) noexcept {
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    const auto level = [](int v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
    const auto cube = [](int level) { return level == 0 ? 0 : 55 + 40 * level; };
    const int r = level(red);
    const int g = level(green);
    const int b = level(blue);
    const int grey = std::clamp((red + green + blue - 9) / 30, 0, 23);
    const auto distance = [&](int r2, int g2, int b2) {
        return (red - r2) * (red - r2) + (green - g2) * (green - g2) + (blue - b2) * (blue - b2);
    };
    const int shade = 8 + 10 * grey;
    const bool cube_nearer = distance(cube(r), cube(g), cube(b)) <= distance(shade, shade, shade);
    return cube_nearer ? 16 + 36 * r + 6 * g + b : 232 + grey;
}

// How much two colours differ by CIEDE2000 (CIE 142-2001, kL = kC = kH =
// 1): 0 for the same colour, about 1 for a difference just to be seen.
[[nodiscard]] double ciede2000(const lab_colour& x, const lab_colour& y) noexcept;

// A table of colours with their names, in file order, to find a colour by
// name or the one nearest to a colour held.
//
// The table keeps a copy of each name, as it stands in the database. It
// allocates as it is filled, and may then throw std::bad_alloc, as the
// standard containers do; a failed add leaves the table as it was. Finding
// neither allocates nor throws, and a const table may be shared between
// threads.
//
//     auto reader = tintlist::database_reader::open("rgb.txt");
//     const tintlist::colour_table table(reader);
//     const tintlist::colour_entry* gray = table.find("DarkSlateGray");
//     const tintlist::colour_entry* near = table.nearest(200, 30, 40);
class colour_table {
  public:
    colour_table() = default;
    // Takes every entry that the reader hands over: entries out of range,
    // comments and bad lines are no colours.
    explicit colour_table(database_reader& reader);
    // The names point into the table's own copies: a table moves, but is
    // not copied.
    colour_table(colour_table&&) = default;
    colour_table& operator=(colour_table&&) = default;
    colour_table(const colour_table&) = delete;
    colour_table& operator=(const colour_table&) = delete;

    // Adds a colour after the others, with a copy of its name, when each of
    // its values lies in 0..255; returns whether it was added.
    bool add(const colour_entry& colour);

    // The first colour whose name matches, or null. Names match ignoring
    // ASCII case, blanks and tabs: "DarkSlateGray" and "DARK\tSLATE GRAY "
    // find "dark slate gray". Other bytes, UTF-8 included, match as they
    // stand.
    [[nodiscard]] const colour_entry* find(std::string_view name) const noexcept;

    // The colour that differs least from red, green and blue (each 0..255)
    // by CIEDE2000, the first of those that differ alike; null when the
    // table is empty or a value lies outside 0..255.
    [[nodiscard]] const colour_entry* nearest(int red, int green, int blue) const noexcept;

    // The number of colours, and each of them in file order.
    [[nodiscard]] std::size_t size() const noexcept { return colours_.size(); }
    [[nodiscard]] const colour_entry& operator[](std::size_t i) const noexcept {
        return colours_[i].entry;
    }

  private:
    struct colour {
        colour_entry entry;
        lab_colour lab;
        std::uint64_t name_hash;
    };
    std::size_t slot(std::string_view name, std::uint64_t hash) const noexcept;
    void index(std::uint32_t number) noexcept;

    std::deque<std::string> names_; // the copies of the names, which never move
    std::vector<colour> colours_;   // in file order
    // The names' hash table: a colour's number plus 1, or 0 for none. A name
    // is held by the first colour that has it.
    std::vector<std::uint32_t> slots_;
    // The colours' numbers, in file order, by whole lightness.
    std::array<std::vector<std::uint32_t>, 101> by_lightness_;
};

} // namespace tintlist
