// SPDX-License-Identifier: MIT
// The colour table: names found through a hash table of their folded form,
// and the nearest colour by CIEDE2000, searched in order of lightness.
#include "grammar.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tintlist {
namespace {

// CIELAB's compression of a share of the white's own value.
double compressed(double t) {
    constexpr double edge = 6.0 / 29.0;
    return t > edge * edge * edge ? std::cbrt(t) : t / (3 * edge * edge) + 4.0 / 29.0;
}

constexpr double pi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * pi / 180;
}

// A hue angle in degrees, 0 to 360; 0 for a grey, whose hue is none.
double hue(double b, double a) {
    if (a == 0 && b == 0) return 0;
    const double h = std::atan2(b, a) * 180 / pi;
    return h < 0 ? h + 360 : h;
}

// c^7 / (c^7 + 25^7), with which chroma weighs in two of CIEDE2000's terms.
double chroma_share(double c) {
    const double c3 = c * c * c;
    const double c7 = c3 * c3 * c;
    return c7 / (c7 + 6103515625.0);
}

// CIEDE2000's weight S_L of a lightness difference about this mean
// lightness, least at 50 and greatest at 0 and 100.
double lightness_weight(double mean) {
    const double d2 = (mean - 50) * (mean - 50);
    return 1 + 0.015 * d2 / std::sqrt(20 + d2);
}

// CIEDE2000 is at least its lightness term alone, whatever the chroma and
// hue terms add: they sum to no less than a square (the rotation term
// RT is at most 2 in size). A colour that cannot differ less than the
// least difference found is passed over, with room left for rounding.
bool cannot_beat(double lower_bound, double least) {
    return lower_bound > least + 1e-9;
}

// The group, by whole lightness, of a colour of this lightness.
std::size_t group_of(double lightness) {
    return static_cast<std::size_t>(std::clamp(lightness, 0.0, 100.0));
}

// Names match ignoring ASCII case, blanks and tabs.
bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// FNV-1a over the name as it is matched.
std::uint64_t name_hash(std::string_view name) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (char c : name) {
        if (is_blank(c)) continue;
        hash = (hash ^ static_cast<unsigned char>(folded(c))) * 0x100000001b3;
    }
    return hash;
}

bool same_name(std::string_view x, std::string_view y) {
    std::size_t i = 0;
    std::size_t j = 0;
    for (;; ++i, ++j) {
        while (i < x.size() && is_blank(x[i])) ++i;
        while (j < y.size() && is_blank(y[j])) ++j;
        if (i == x.size() || j == y.size()) return i == x.size() && j == y.size();
        if (folded(x[i]) != folded(y[j])) return false;
    }
}

// Makes room for one more element, growing as push_back would, so that the
// push_back that follows cannot fail.
template <class T>
void make_room(std::vector<T>& v) {
    if (v.size() == v.capacity()) v.reserve(v.empty() ? 16 : 2 * v.size());
}

} // namespace

lab_colour to_lab(int red, int green, int blue) noexcept {
    const double r = srgb_linear(red);
    const double g = srgb_linear(green);
    const double b = srgb_linear(blue);
    // To CIE XYZ from the sRGB primaries, each over the value of the white,
    // D65 as ASTM E308 gives it: the sum of its row.
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = (0.2126729 * r + 0.7151522 * g + 0.0721750 * b) / 1.0000001;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = compressed(x);
    const double fy = compressed(y);
    const double fz = compressed(z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

// As G. Sharma, W. Wu and E. N. Dalal write it out ("The CIEDE2000
// colour-difference formula: implementation notes", 2005), with hue angles
// in degrees.
double ciede2000(const lab_colour& x, const lab_colour& y) noexcept {
    // Chroma from a stretched a axis, which neutral colours need.
    const double mean_c = (std::sqrt(x.a * x.a + x.b * x.b) + std::sqrt(y.a * y.a + y.b * y.b)) / 2;
    const double stretch = 1.5 - std::sqrt(chroma_share(mean_c)) / 2;
    const double xa = x.a * stretch;
    const double ya = y.a * stretch;
    const double xc = std::sqrt(xa * xa + x.b * x.b);
    const double yc = std::sqrt(ya * ya + y.b * y.b);
    const double xh = hue(x.b, xa);
    const double yh = hue(y.b, ya);

    // The hue difference and the mean hue go the short way round the
    // circle; a grey has no hue to differ in.
    const bool grey = xc * yc == 0;
    double dh = yh - xh;
    if (dh > 180) dh -= 360;
    if (dh < -180) dh += 360;
    if (grey) dh = 0;
    double mean_h = (xh + yh) / 2;
    if (!grey && std::abs(xh - yh) > 180) mean_h += mean_h < 180 ? 180 : -180;
    if (grey) mean_h = xh + yh;

    const double dl = y.lightness - x.lightness;
    const double dc = yc - xc;
    const double big_dh = 2 * std::sqrt(xc * yc) * std::sin(radians(dh / 2));
    const double mean_l = (x.lightness + y.lightness) / 2;
    const double mean_cp = (xc + yc) / 2;
    const double t =
        1 - 0.17 * std::cos(radians(mean_h - 30)) + 0.24 * std::cos(radians(2 * mean_h)) +
        0.32 * std::cos(radians(3 * mean_h + 6)) - 0.20 * std::cos(radians(4 * mean_h - 63));
    const double dtheta = 30 * std::exp(-((mean_h - 275) / 25) * ((mean_h - 275) / 25));
    const double rt = -2 * std::sqrt(chroma_share(mean_cp)) * std::sin(radians(2 * dtheta));
    const double l = dl / lightness_weight(mean_l);
    const double c = dc / (1 + 0.045 * mean_cp);
    const double h = big_dh / (1 + 0.015 * mean_cp * t);
    return std::sqrt(l * l + c * c + h * h + rt * c * h);
}

colour_table::colour_table(database_reader& reader) {
    for (const database_line& line : reader) {
        if (line.outcome == line_outcome::entry) add(line.colour);
    }
}

bool colour_table::add(const colour_entry& colour) {
    if (!in_range(colour.red, colour.green, colour.blue)) return false;
    const lab_colour lab = to_lab(colour.red, colour.green, colour.blue);
    std::vector<std::uint32_t>& group = by_lightness_[group_of(lab.lightness)];
    // Room first, so that a failed allocation changes nothing.
    make_room(colours_);
    make_room(group);
    if (2 * (colours_.size() + 1) > slots_.size()) {
        std::vector<std::uint32_t> grown(slots_.empty() ? 64 : 2 * slots_.size());
        grown.swap(slots_);
        for (std::uint32_t number = 0; number < colours_.size(); ++number) index(number);
    }
    names_.emplace_back(colour.name);
    // Nothing from here on allocates.
    const auto number = static_cast<std::uint32_t>(colours_.size());
    const colour_entry copy{colour.red, colour.green, colour.blue, names_.back()};
    colours_.push_back({copy, lab, name_hash(copy.name)});
    group.push_back(number);
    index(number);
    return true;
}

// The slot of the hash table that holds the name, or the empty one where
// it would go.
std::size_t colour_table::slot(std::string_view name, std::uint64_t hash) const noexcept {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (; slots_[i] != 0; i = (i + 1) & mask) {
        const colour& held = colours_[slots_[i] - 1];
        if (held.name_hash == hash && same_name(held.entry.name, name)) break;
    }
    return i;
}

// Enters the colour `number` into the hash table, unless an earlier colour
// holds its name.
void colour_table::index(std::uint32_t number) noexcept {
    const colour& added = colours_[number];
    const std::size_t i = slot(added.entry.name, added.name_hash);
    if (slots_[i] == 0) slots_[i] = number + 1;
}

const colour_entry* colour_table::find(std::string_view name) const noexcept {
    if (slots_.empty()) return nullptr;
    const std::uint32_t held = slots_[slot(name, name_hash(name))];
    return held != 0 ? &colours_[held - 1].entry : nullptr;
}

// The groups of colours are searched outwards in lightness from the
// colour's own, while a colour in them could still differ less than the
// least difference found: by CIEDE2000's lightness term, no less than the
// gap in lightness over its greatest weight.
const colour_entry* colour_table::nearest(int red, int green, int blue) const noexcept {
    if (!in_range(red, green, blue) || colours_.empty()) return nullptr;
    const lab_colour target = to_lab(red, green, blue);
    const double heaviest = lightness_weight(0);
    double least = std::numeric_limits<double>::infinity();
    std::uint32_t best = 0;
    // Searches group g, unless it lies outside 0..100 or too far off;
    // returns whether it was searched.
    const auto search = [&](long g) {
        if (g < 0 || g > 100) return false;
        const auto low = static_cast<double>(g);
        const double gap = std::max({0.0, low - target.lightness, target.lightness - (low + 1)});
        if (cannot_beat(gap / heaviest, least)) return false;
        for (std::uint32_t number : by_lightness_[static_cast<std::size_t>(g)]) {
            const lab_colour& lab = colours_[number].lab;
            const double dl = lab.lightness - target.lightness;
            const double weight = lightness_weight((lab.lightness + target.lightness) / 2);
            if (cannot_beat(std::abs(dl) / weight, least)) continue;
            const double difference = ciede2000(target, lab);
            if (difference < least || (difference == least && number < best)) {
                least = difference;
                best = number;
            }
        }
        return true;
    };
    const auto home = static_cast<long>(group_of(target.lightness));
    for (long step = 0; step <= 100; ++step) {
        const bool below = search(home - step);
        const bool above = step > 0 && search(home + step);
        if (!below && !above && step > 0) break;
    }
    return &colours_[best].entry;
}

} // namespace tintlist
