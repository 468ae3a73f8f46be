// A reproducible mix of colour-database lines for the benchmarks: entries
// with names of one to four words, separated by blanks or tabs, and one
// comment in ten.
#pragma once

#include <random>
#include <string>

class line_mix {
  public:
    explicit line_mix(unsigned seed) : random_(seed) {}

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
            line_ = std::to_string(random_() % 256);
            for (int field = 0; field < 2; ++field) {
                line_ += gap;
                line_ += std::to_string(random_() % 256);
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
    std::string line_;
};
