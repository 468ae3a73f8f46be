// generate: writes a colour database of LINES lines to standard output:
// entries with names of one to four words and one comment in ten, the same
// for the same seed.
//
// usage: generate LINES [SEED]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: generate LINES [SEED]\n");
        return 2;
    }
    const long long lines = std::atoll(argv[1]);
    std::mt19937 random(argc == 3 ? static_cast<unsigned>(std::atol(argv[2])) : 1);
    static const char* const words[] = {
        "harbour", "ember",  "slate", "moss",   "dusk",   "light", "dark",  "pale",
        "deep",    "misty",  "rose",  "copper", "violet", "sea",   "green", "amber",
        "cloud",   "walnut", "ink",   "frost",  "plum",   "olive", "sand",  "smoke"};
    constexpr unsigned word_count = sizeof words / sizeof words[0];

    std::string line;
    for (long long i = 0; i < lines; ++i) {
        line.clear();
        const unsigned kind = random() % 100;
        if (kind < 10) {
            line = "! comment: a group of colours follows, ";
            line += words[random() % word_count];
        } else {
            const char* gap = kind % 3 == 0 ? "\t" : " ";
            line = std::to_string(random() % 256);
            for (int field = 0; field < 2; ++field) {
                line += gap;
                line += std::to_string(random() % 256);
            }
            line += "\t\t";
            const unsigned name_words = 1 + random() % 4;
            for (unsigned w = 0; w < name_words; ++w) {
                if (w > 0) line += ' ';
                line += words[random() % word_count];
            }
        }
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
            std::perror("generate");
            return 1;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
