// SPDX-License-Identifier: MIT
// libFuzzer target for classify_line. Inside the C library scanner's contract
// the result must be the scanner's; everywhere it must keep its invariants;
// and classify_cut_line must agree with it on the input cut as a line.

#include "line_scanner.hpp"
#include "scanner_reference.hpp"
#include <tintlist/colour_database.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

    if (tintlist_test::is_entry({outcome, colour})) {
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
        require(tintlist_test::same_classification(
                    {outcome, colour}, tintlist_test::reference_classify(text).classified()),
                "differs from sscanf");
    }

    // Cut as the reader cuts a line, then NUL and bytes never to be taken.
    const std::size_t length = tintlist_test::cut_length(text);
    const std::string cut =
        tintlist_test::as_cut(text, length, std::string(tintlist::readable_slack, '7'));
    const std::string_view line(cut.data(), length);
    require(tintlist_test::same_classification(tintlist::classify_cut_line(line),
                                               tintlist::classify_line(line)),
            "cut line: classify_cut_line differs");
    return 0;
}
