// SPDX-License-Identifier: MIT
// Random colour-database lines, the same for the same seed, for the tests
// and the benchmark: lines as people write them; lines that try each rule
// of the grammar; and whole databases of both, with junk bytes, NULs, long
// lines, CR LF and lone CRs.
#pragma once

#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace tintlist_test {

class random_lines {
  public:
    explicit random_lines(unsigned seed) : random_(seed) {}

    // An entry or, one time in ten, a comment, with its newline. A loose
    // entry has unpadded values between blanks or tabs; a listed one is in
    // the listing's own layout, "%3d %3d %3d\t\tname". Its name has one to
    // four words.
    std::string usual(bool listed = false) {
        static const char* const words[] = {"harbour", "ember", "slate", "moss",  "dusk",  "light",
                                            "dark",    "pale",  "deep",  "misty", "rose",  "copper",
                                            "violet",  "sea",   "green", "amber", "cloud", "walnut",
                                            "ink",     "frost", "plum",  "olive", "sand",  "smoke"};
        constexpr unsigned word_count = sizeof words / sizeof words[0];
        const unsigned kind = below(100);
        if (kind < 10)
            return std::string("! comment: a group of colours follows, ") +
                   words[below(word_count)] + "\n";
        std::string line;
        const char* gap = kind % 3 == 0 ? "\t" : " ";
        for (int field = 0; field < 3; ++field) {
            const unsigned value = below(256);
            if (listed) {
                char padded[8];
                std::snprintf(padded, sizeof padded, field < 2 ? "%3u " : "%3u", value);
                line += padded;
            } else {
                if (field > 0) line += gap;
                line += std::to_string(value);
            }
        }
        line += "\t\t";
        for (unsigned w = 1 + below(4); w > 0; --w) {
            line += words[below(word_count)];
            line += w > 1 ? " " : "\n";
        }
        return line;
    }

    // A line of at most 511 bytes that tries the grammar: a mark before it,
    // signs, leading zeros, every kind of white space, the 32-bit limits,
    // junk between the fields, names of odd bytes, and a newline seven
    // times in eight.
    std::string tricky() {
        std::string line;
        if (chance(3)) line += pick("!!   \t\n#x+-");
        for (int field = 0; field < 3; ++field) {
            add_space(line);
            if (chance(40)) line += pick("x+-!.,\n \xff%");
            add_number(line);
        }
        add_space(line);
        if (!chance(10)) add_name(line);
        if (chance(5)) line += pick("x+-!.,\n \xff%");
        if (!chance(8)) line += '\n';
        if (line.size() > 511) line.resize(511);
        return line;
    }

    // A database of up to 60 lines, each ending in LF or CR LF, and the
    // last sometimes in neither: usual lines, tricky ones, some with a NUL,
    // a CR or a number past 32 bits put in, junk bytes, and long lines, some
    // of them comments or at the length limit. No Ctrl-Z, which ends a file
    // in Windows text mode.
    std::string database() {
        std::string file;
        for (unsigned i = below(60); i > 0; --i)
            file += database_line() + (chance(4) ? "\r\n" : "\n");
        if (chance(3)) file += database_line();
        return file;
    }

  private:
    bool chance(unsigned one_in) { return random_() % one_in == 0; }
    unsigned below(unsigned n) { return random_() % n; }
    char pick(std::string_view from) { return from[below(static_cast<unsigned>(from.size()))]; }

    void add_space(std::string& line) {
        const unsigned count = chance(4) ? 0 : below(4);
        for (unsigned i = 0; i < count; ++i) line += pick("   \t\t\n\v\f\r");
    }

    void add_number(std::string& line) {
        const char sign = chance(6) ? pick("+-") : '\0';
        if (sign != '\0') line += sign;
        if (chance(8)) line.append(below(4), '0');
        if (chance(50)) {
            line += sign == '-' ? "2147483648" : "2147483647";
            return;
        }
        const unsigned digits = chance(3) ? 1 + below(9) : 1 + below(3);
        for (unsigned i = 0; i < digits; ++i) line += static_cast<char>('0' + below(10));
    }

    void add_name(std::string& line) {
        const unsigned length = chance(20) ? below(500) : 1 + below(20);
        for (unsigned i = 0; i < length; ++i)
            line += chance(5) ? pick(" \t%\r!0123456789xX\xe9\xff")
                              : pick("abcdefghijklmnopqrstuvwxyz");
    }

    // Bytes of any kind but a newline and Ctrl-Z.
    char junk() {
        char c;
        do c = static_cast<char>(random_());
        while (c == '\n' || c == '\x1a');
        return c;
    }

    // A line of a database, without its line end.
    std::string database_line() {
        std::string line;
        switch (below(8)) {
        case 0:
        case 1:
            line = usual(chance(2));
            line.pop_back();
            break;
        case 2:
            for (unsigned i = below(40); i > 0; --i) line += junk();
            break;
        case 3: { // long, sometimes a comment, sometimes at the limit
            const unsigned length = chance(3) ? 510 + below(4) : 512 + below(3000);
            line = chance(2) ? "!" : "1 2 3 ";
            while (line.size() < length) line += static_cast<char>('a' + below(26));
            break;
        }
        default:
            line = tricky();
            if (!line.empty() && line.back() == '\n') line.pop_back();
            if (chance(6)) line.insert(below(static_cast<unsigned>(line.size() + 1)), 1, '\0');
            if (chance(6)) line.insert(below(static_cast<unsigned>(line.size() + 1)), 1, '\r');
            if (chance(8)) line += '\r'; // a lone CR before the line end
            if (chance(8)) line.insert(0, std::to_string(4294967296ULL + random_()) + " ");
        }
        return line;
    }

    std::mt19937 random_;
};

} // namespace tintlist_test
