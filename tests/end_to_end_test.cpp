// The built command, run on databases written into a fresh folder per test.
//
// usage: end_to_end_test TINTLIST [--runner PROGRAM] [--windows]
//
// --runner runs TINTLIST through another program (such as wine). --windows
// expects what a Windows program writes: every line ending in CR LF, and
// diagnostics that begin with the Windows path wine hands over as the
// program name (Z: and the absolute path with backslashes).

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

struct settings {
    std::string tintlist;
    std::string runner;
    std::string program;
    bool crlf = false;
};
settings setup;

enum class standard_output { captured, shared_with_errors, device_full, closed };

struct result {
    int status;
    std::string out;
    std::string err;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Text as the command writes it: on Windows each newline goes out as CR LF.
std::string text(const std::string& lines) {
    if (!setup.crlf) return lines;
    std::string converted;
    for (char c : lines) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tintlist-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        root_ = pattern;
        fs::create_directory(folder());
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path folder() const { return root_ / "db"; }
    void database(const std::string& file, const std::string& bytes) const {
        write_file(folder() / file, bytes);
    }

    // Runs the command in folder() with the given arguments after argv[0];
    // with no argv at all when `arguments` is empty.
    result run(const std::vector<std::string>& arguments,
               standard_output target = standard_output::captured) const {
        return run_argv(arguments, target, true);
    }

    result run_argv(const std::vector<std::string>& arguments, standard_output target,
                    bool with_program) const {
        const fs::path out = root_ / "stdout", err = root_ / "stderr";
        std::vector<std::string> words;
        if (!setup.runner.empty()) words.push_back(setup.runner);
        if (with_program) words.push_back(setup.tintlist);
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        const std::string file = setup.runner.empty() ? setup.tintlist : setup.runner;

        const pid_t child = fork();
        if (child == 0) {
            const int in = open("/dev/null", O_RDONLY);
            const int o = target == standard_output::device_full
                              ? open("/dev/full", O_WRONLY)
                              : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = target == standard_output::shared_with_errors
                              ? dup(o)
                              : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
                chdir(folder().c_str()) != 0)
                _exit(126);
            if (target == standard_output::closed) close(1);
            execve(file.c_str(), argv.data(), environ);
            _exit(127);
        }
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << "the command died, wait status " << status;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err)};
    }

    fs::path root_;
};

std::string program() {
    return setup.program;
}

TEST_F(EndToEnd, ArgumentsChooseTheDatabase) {
    for (const char* file : {"rgb.txt", "colours.txt", "a.txt.txt", ".txt", "-h.txt"})
        database(file, "1 2 3 "s + file + "\n");
    const struct {
        std::vector<std::string> arguments;
        const char* listed;
    } cases[] = {
        {{}, "rgb.txt"},
        {{"colours"}, "colours.txt"},
        {{"a.txt"}, "a.txt.txt"},
        {{""}, ".txt"},
        {{"-h"}, "-h.txt"},
        {{"colours", "a.txt"}, "rgb.txt"},
        {{"colours", "a.txt", "-h"}, "rgb.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listed);
        const result r = run(c.arguments);
        EXPECT_EQ(r.out, text("  1   2   3\t\t"s + c.listed + "\n"));
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

TEST_F(EndToEnd, DatabaseThatCannotBeOpened) {
    fs::create_directory(folder() / "folder.txt");
    const struct {
        std::vector<std::string> arguments;
        const char* quoted;
    } cases[] = {{{}, "./rgb"}, {{"absent"}, "absent"}, {{"folder"}, "folder"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quoted);
        const result r = run(c.arguments);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, text(program() + ":  unable to open rgb database \"" + c.quoted + "\"\n"));
        EXPECT_EQ(r.status, 1);
    }
}

TEST_F(EndToEnd, EmptyDatabase) {
    database("rgb.txt", "");
    const result r = run({});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST_F(EndToEnd, ListsEntriesAndReportsBadLines) {
    database("mixed.txt", "! a comment line\n"
                          "0 45 255 sea  blue  \n"
                          "+7 007 -0 dark\tgrey\n"
                          "\n"
                          "1 2 three\n"
                          " ! not a comment\n"
                          "256 0 0 100%red\n"
                          "4294967296 0 0 wrapped\n"
                          "!\n"
                          "10 20 30 last line, no newline");
    const std::string path = "mixed.txt:";
    const result r = run({"mixed"});
    EXPECT_EQ(r.out, text("  0  45 255\t\tsea  blue  \n"
                          "  7   7   0\t\tdark\tgrey\n"
                          " 10  20  30\t\tlast line, no newline\n"));
    EXPECT_EQ(r.err,
              text(program() + ":  syntax error: " + path + "4\n" + program() +
                   ":  syntax error: " + path + "5\n" + program() + ":  syntax error: " + path +
                   "6\n" + program() + ":  value for \"100%red\" out of range: " + path + "7\n" +
                   program() + ":  value for \"wrapped\" out of range: " + path + "8\n"));
    EXPECT_EQ(r.status, 0);
}

TEST_F(EndToEnd, EveryLineBad) {
    database("rgb.txt", "red\ngreen\n");
    const result r = run({});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, text(program() + ":  syntax error: ./rgb.txt:1\n" + program() +
                          ":  syntax error: ./rgb.txt:2\n"));
    EXPECT_EQ(r.status, 0);
}

// Diagnostics and entries appear in the order of the file when both streams
// go to one place.
TEST_F(EndToEnd, OrderOfTheFileOnASharedStream) {
    database("rgb.txt", "1 1 1 a\nbad\n2 2 2 b\n3 3 300 c\n4 4 4 d\n");
    const result r = run({}, standard_output::shared_with_errors);
    EXPECT_EQ(r.out, text("  1   1   1\t\ta\n" + program() + ":  syntax error: ./rgb.txt:2\n" +
                          "  2   2   2\t\tb\n" + program() +
                          ":  value for \"c\" out of range: ./rgb.txt:4\n" + "  4   4   4\t\td\n"));
}

// A line keeps 511 characters; a longer one is one line whatever its length.
TEST_F(EndToEnd, LongLines) {
    const std::string fits = "1 2 3 " + std::string(511 - 6, 'n');
    const std::string too_long = "4 5 6 " + std::string(600, 'm');
    const std::string long_comment = "!" + std::string(100000, 'c');
    database("rgb.txt", fits + "\n" + too_long + "\n" + long_comment + "\n" + fits + "\r\n" +
                            "7 8 9 after\n" + std::string(512, ' ') + "\n" + fits + "x");
    const result r = run({});
    const std::string listed = "  1   2   3\t\t" + std::string(505, 'n') + "\n";
    EXPECT_EQ(r.out, text(listed + listed + "  7   8   9\t\tafter\n"));
    EXPECT_EQ(r.err, text(program() + ":  syntax error: ./rgb.txt:2\n" + program() +
                          ":  syntax error: ./rgb.txt:6\n" + program() +
                          ":  syntax error: ./rgb.txt:7\n"));
    EXPECT_EQ(r.status, 0);
}

// CR LF is one line end on every platform; a lone CR is part of the line.
TEST_F(EndToEnd, LineEnds) {
    database("rgb.txt", "1 1 1 dos\r\n2 2 2 lone\rcr\n3 3 3 double\r\r\n\r\n4 4 4 end\r");
    const result r = run({});
    EXPECT_EQ(r.out, text("  1   1   1\t\tdos\n  2   2   2\t\tlone\rcr\n  3   3   3\t\tdouble\r\n"
                          "  4   4   4\t\tend\r\n"));
    EXPECT_EQ(r.err, text(program() + ":  syntax error: ./rgb.txt:4\n"));
}

TEST_F(EndToEnd, NulBytes) {
    database("rgb.txt", "1 1 1 cut\0off\n\0 not listed\n2 2 2 kept\n"s);
    const result r = run({});
    EXPECT_EQ(r.out, text("  1   1   1\t\tcut\n  2   2   2\t\tkept\n"));
    EXPECT_EQ(r.err, "");
}

TEST_F(EndToEnd, StandardOutputThatCannotBeWritten) {
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "1 2 3 a colour of some length\nbad line\n";
    database("rgb.txt", many);
    for (auto target : {standard_output::device_full, standard_output::closed}) {
        SCOPED_TRACE(static_cast<int>(target));
        const result r = run({}, target);
        // The listing stops at the failure, which is reported once.
        EXPECT_EQ(r.err, text(program() + ":  unable to write standard output\n"));
        EXPECT_EQ(r.status, 1);
    }
}

// Linux hands an empty argument vector over as an empty program name.
TEST_F(EndToEnd, NoProgramName) {
    if (!setup.runner.empty()) GTEST_SKIP() << "needs a direct exec";
    const result r = run_argv({}, standard_output::captured, false);
    EXPECT_EQ(r.err, "tintlist:  unable to open rgb database \"./rgb\"\n");
    EXPECT_EQ(r.status, 1);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--runner" && i + 1 < argc)
            setup.runner = argv[++i];
        else if (word == "--windows")
            setup.crlf = true;
        else
            setup.tintlist = fs::absolute(word).string();
    }
    if (setup.tintlist.empty()) {
        std::fprintf(stderr, "usage: %s TINTLIST [--runner PROGRAM] [--windows]\n", argv[0]);
        return 2;
    }
    setup.program = setup.tintlist;
    if (setup.crlf) {
        setup.program = "Z:" + setup.program;
        std::replace(setup.program.begin(), setup.program.end(), '/', '\\');
    }
    return RUN_ALL_TESTS();
}
