// SPDX-License-Identifier: MIT
// libFuzzer target for classify_line. Inside the C library scanner's contract
// the result must be the scanner's; everywhere it must keep its invariants;
// and classify_cut_line must agree with it on the input cut as a line.

#include "line_scanner.hpp"
#include "scanner_reference.hpp"
#include <tintlist/colour_database.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tintlist::line_outcome;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "classify_line: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto [outcome, colour] = tintlist::classify_line(text);

    const bool is_entry = outcome == line_outcome::entry || outcome == line_outcome::out_of_range;
    if (is_entry) {
        const char* name = colour.name.data();
        require(!colour.name.empty(), "empty name");
        require(name >= text.data() && name + colour.name.size() <= text.data() + text.size(),
                "name outside the text");
        require(colour.name.find('\n') == colour.name.npos, "newline in the name");
        require(colour.name.find('\0') == colour.name.npos, "NUL in the name");
        require(colour.name.size() < text.size(), "name as long as the line");
        const bool in_range = colour.red >= 0 && colour.red <= 255 && colour.green >= 0 &&
                              colour.green <= 255 && colour.blue >= 0 && colour.blue <= 255;
        require(in_range == (outcome == line_outcome::entry), "range and outcome disagree");
    }
    if (outcome == line_outcome::skipped)
        require(text.empty() || text[0] == '!' || text[0] == '\0', "skipped without a mark");

    if (tintlist_test::inside_contract(text)) {
        const auto expected = tintlist_test::reference_classify(text);
        require(outcome == expected.outcome, "outcome differs from sscanf");
        if (is_entry) {
            require(colour.red == expected.rgb[0] && colour.green == expected.rgb[1] &&
                        colour.blue == expected.rgb[2],
                    "values differ from sscanf");
            require(colour.name == expected.name, "name differs from sscanf");
        }
    }

    // Cut as the listing cuts a line: at the first NUL, or after the first
    // newline; then a NUL where it has neither, and bytes never to be taken.
    std::size_t length = std::min(text.find('\0'), text.size());
    if (const std::size_t newline = text.find('\n'); newline < length) length = newline + 1;
    std::vector<char> cut(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    if (cut.empty() || cut.back() != '\n') cut.push_back('\0');
    cut.insert(cut.end(), tintlist::readable_slack, '7');
    const std::string_view line(cut.data(), length);
    const auto whole = tintlist::classify_line(line);
    const auto fast = tintlist::classify_cut_line(line);
    require(fast.outcome == whole.outcome, "cut line: outcome differs");
    if (fast.outcome == line_outcome::entry || fast.outcome == line_outcome::out_of_range) {
        require(fast.colour.red == whole.colour.red && fast.colour.green == whole.colour.green &&
                    fast.colour.blue == whole.colour.blue && fast.colour.name == whole.colour.name,
                "cut line: entry differs");
    }
    return 0;
}
