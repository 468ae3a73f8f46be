// SPDX-License-Identifier: MIT
// Classification of one line of a colour-name database.
//
// A database line is "red green blue name": three decimal integers and the
// rest of the line as the name; a line that begins with '!' is a comment.
// classify_line is pure: it reads only its argument, allocates nothing and
// never throws, so any program can use it on text from any source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tintlist {

enum class line_outcome { entry, out_of_range, skipped, syntax_error };

struct colour_entry {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
    std::string_view name; // points into the classified text
};

struct classified_line {
    line_outcome outcome;
    colour_entry colour; // set for entry and out_of_range
};

// Classifies one line, given with its newline if it has one, as it stands:
// the tintlist command's reading rules, that a CR LF ends a line as a
// newline does and that a line of more than 511 characters is one line,
// judged by its first 511, are the command's, for a caller to apply first.
//
// The text is read up to its first NUL byte. It is a colour entry when it
// holds, in order: three integers, each after optional white space (blank,
// tab, newline, vertical tab, form feed, carriage return) and written as an
// optional sign and one or more decimal digits; then optional white space;
// then the name, which runs up to the first newline or the end of the text.
// An entry is `entry` when every value lies in 0..255 and `out_of_range`
// otherwise; a value too large for 32 bits is held saturated. A text that is
// not an entry is `skipped` when its first byte is '!' or it is empty, and
// `syntax_error` otherwise.
classified_line classify_line(std::string_view text) noexcept;

} // namespace tintlist
