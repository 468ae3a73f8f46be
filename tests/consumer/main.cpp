// SPDX-License-Identifier: MIT
#include <tintlist/colour_database.hpp>

#include <cstdio>

int main() {
    const auto [outcome, colour] = tintlist::classify_line("255 250 250\t\tsnow\n");
    if (outcome != tintlist::line_outcome::entry) return 1;
    std::printf("%d %d %d %.*s\n", colour.red, colour.green, colour.blue,
                static_cast<int>(colour.name.size()), colour.name.data());
    return 0;
}
