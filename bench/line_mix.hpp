// SPDX-License-Identifier: MIT
// A reproducible mix of colour-database lines for the benchmarks: entries
// with names of one to four words and one comment in ten. Loose entries have
// unpadded values separated by blanks or tabs; laid-out entries are in the
// listing's own layout, "%3d %3d %3d\t\tname".
#pragma once

#include <cstdio>
#include <random>
#include <string>

class line_mix {
  public:
    enum class layout { loose, listed };
    explicit line_mix(unsigned seed, layout form = layout::loose) : random_(seed), form_(form) {}

    // The next line, with its newline.
    const std::string& next() {
        static const char* const words[] = {"harbour", "ember", "slate", "moss",  "dusk",  "light",
                                            "dark",    "pale",  "deep",  "misty", "rose",  "copper",
                                            "violet",  "sea",   "green", "amber", "cloud", "walnut",
                                            "ink",     "frost", "plum",  "olive", "sand",  "smoke"};
        constexpr unsigned word_count = sizeof words / sizeof words[0];

        line_.clear();
        const unsigned kind = random_() % 100;
        if (kind < 10) {
            line_ = "! comment: a group of colours follows, ";
            line_ += words[random_() % word_count];
        } else {
            const char* gap = kind % 3 == 0 ? "\t" : " ";
            for (int field = 0; field < 3; ++field) {
                const unsigned value = random_() % 256;
                if (form_ == layout::listed) {
                    char padded[8];
                    std::snprintf(padded, sizeof padded, field < 2 ? "%3u " : "%3u", value);
                    line_ += padded;
                } else {
                    if (field > 0) line_ += gap;
                    line_ += std::to_string(value);
                }
            }
            line_ += "\t\t";
            const unsigned name_words = 1 + random_() % 4;
            for (unsigned w = 0; w < name_words; ++w) {
                if (w > 0) line_ += ' ';
                line_ += words[random_() % word_count];
            }
        }
        line_ += '\n';
        return line_;
    }

  private:
    std::mt19937 random_;
    layout form_;
    std::string line_;
};
