// SPDX-License-Identifier: MIT
// The command's listing, arguments and diagnostics, end to end.

#include "end_to_end.hpp"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace tintlist_test {
namespace {

// The longest path the platform opens has this many bytes, with its NUL.
std::size_t longest_path() {
    return setup.windows ? 260 : PATH_MAX;
}

// "./././ ... rgb", a name for ./rgb whose path has `bytes` bytes with its NUL.
std::string name_with_path_of(std::size_t bytes) {
    std::string name;
    while (name.size() + 2 <= bytes - 8) name += "./";
    return name + (bytes % 2 == 0 ? "rgb" : "/rgb");
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
        {{name_with_path_of(longest_path())}, "rgb.txt"},
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
    const std::string too_long = name_with_path_of(longest_path() + 1);
    const struct {
        std::vector<std::string> arguments;
        std::string quoted;
    } cases[] = {
        {{}, "./rgb"}, {{"absent"}, "absent"}, {{"folder"}, "folder"}, {{too_long}, too_long}};
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
    // Also with no standard input, where the database opens as descriptor 0.
    launch no_input;
    no_input.input_closed = true;
    for (const launch& how : {launch{}, no_input}) {
        if (how.input_closed && !setup.runner.empty()) continue; // a Linux descriptor
        const result r = run({"mixed"}, how);
        EXPECT_EQ(r.out, text("  0  45 255\t\tsea  blue  \n"
                              "  7   7   0\t\tdark\tgrey\n"
                              " 10  20  30\t\tlast line, no newline\n"));
        EXPECT_EQ(r.err, text(program() + ":  syntax error: " + path + "4\n" + program() +
                              ":  syntax error: " + path + "5\n" + program() +
                              ":  syntax error: " + path + "6\n" + program() +
                              ":  value for \"100%red\" out of range: " + path + "7\n" + program() +
                              ":  value for \"wrapped\" out of range: " + path + "8\n"));
        EXPECT_EQ(r.status, 0);
    }
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

// A first line that is empty, or begins with a line end or a NUL, leaves no
// byte before it to look at: under valgrind, one read there fails the run.
TEST_F(EndToEnd, DatabaseThatBeginsWithALineEnd) {
    for (const std::string& start : {"\n"s, "\r\n"s, "\0\n"s, "\r"s}) {
        SCOPED_TRACE(::testing::PrintToString(start));
        const std::string file = start + "1 2 3 a\n\n4 5 6 b\r\n";
        database("rgb.txt", file);
        const expectation e = expect(file, "./rgb.txt");
        const result r = run({});
        EXPECT_EQ(r.out, text(e.out));
        EXPECT_EQ(r.err, text(e.err));
        EXPECT_EQ(r.status, 0);
    }
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

// A pseudo-terminal that passes bytes as they are, or -1 where none can be
// opened (there is no /dev/pts in a bare chroot).
int open_terminal() {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return -1;
    termios raw;
    tcgetattr(terminal, &raw);
    cfmakeraw(&raw);
    tcsetattr(terminal, TCSANOW, &raw);
    return terminal;
}

// What the terminal holds to be read.
std::string drain(int terminal) {
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    std::string shown;
    char bytes[4096];
    for (ssize_t n; (n = read(terminal, bytes, sizeof bytes)) > 0;) shown.append(bytes, n);
    return shown;
}

// On a terminal each entry is shown before a read that may wait: the writer
// of the database waits to see the first entry before it writes the next.
TEST_F(EndToEnd, TerminalShowsEntriesAsTheyCome) {
    SKIP_UNLESS_DIRECT();
    const int terminal = open_terminal();
    if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal here (no /dev/pts in a bare chroot)";
    ASSERT_EQ(mkfifo((folder() / "pipe.txt").c_str(), 0600), 0);
    const pid_t writer = feed_fifo(folder() / "pipe.txt", [terminal](int, const auto& put) {
        put("1 2 3 first\n");
        pollfd shown{terminal, POLLIN, 0};
        if (poll(&shown, 1, 10000) != 1) _exit(1);
        put("4 5 6 second\n");
    });
    launch how;
    how.output_path = ptsname(terminal);
    EXPECT_EQ(run({"pipe"}, how).status, 0);
    expect_fed(writer); // fails when the first entry did not come in time
    close(terminal);
}

// The text without its SGR sequences.
std::string without_sgr(std::string text) {
    for (std::size_t at; (at = text.find("\x1b[")) != text.npos;)
        text.erase(at, text.find('m', at) + 1 - at);
    return text;
}

// On a terminal the values of each entry stand on a swatch of its colour,
// in 24-bit colour or in xterm's palette as COLORTERM says, with black or
// white text, whichever contrasts more; without the sequences, the listing
// is as ever. NO_COLOR and TERM=dumb keep a terminal plain, and
// CLICOLOR_FORCE paints a pipe.
TEST_F(EndToEnd, SwatchesOnATerminal) {
    database("rgb.txt", "0 0 0 black\n255 255 255 white\n200 30 40 a red\n128 128 128 mid\nbad\n");
    const std::string plain =
        "  0   0   0\t\tblack\n255 255 255\t\twhite\n200  30  40\t\ta red\n128 128 128\t\tmid\n";
    const std::string direct = "\x1b[48;2;0;0;0;38;5;231m  0   0   0\x1b[0m\t\tblack\n"
                               "\x1b[48;2;255;255;255;38;5;16m255 255 255\x1b[0m\t\twhite\n"
                               "\x1b[48;2;200;30;40;38;5;231m200  30  40\x1b[0m\t\ta red\n"
                               "\x1b[48;2;128;128;128;38;5;16m128 128 128\x1b[0m\t\tmid\n";
    const std::string palette = "\x1b[48;5;16;38;5;231m  0   0   0\x1b[0m\t\tblack\n"
                                "\x1b[48;5;231;38;5;16m255 255 255\x1b[0m\t\twhite\n"
                                "\x1b[48;5;160;38;5;231m200  30  40\x1b[0m\t\ta red\n"
                                "\x1b[48;5;244;38;5;16m128 128 128\x1b[0m\t\tmid\n";
    const struct {
        bool terminal;
        const char *no_color, *force, *colorterm, *term;
        const std::string& listed;
    } cases[] = {
        {true, "", "", "truecolor", "xterm", direct}, // 24-bit colour
        {true, "", "", "24bit", "xterm", direct},     // its other name
        {true, "", "", "", "xterm", palette},         // xterm's 256
        {true, "1", "", "truecolor", "xterm", plain}, // NO_COLOR
        {true, "", "", "truecolor", "dumb", plain},   // a dumb terminal
        {true, "1", "1", "", "xterm", plain},         // NO_COLOR over CLICOLOR_FORCE
        {false, "", "1", "", "xterm", palette},       // CLICOLOR_FORCE on a pipe
        {false, "", "0", "", "xterm", plain},         // but not as 0
    };
    for (const auto& c : cases) {
        launch how;
        how.environment = {"NO_COLOR="s + c.no_color, "CLICOLOR_FORCE="s + c.force,
                           "COLORTERM="s + c.colorterm, "TERM="s + c.term};
        SCOPED_TRACE(::testing::PrintToString(how.environment) +
                     (c.terminal ? " on a terminal" : ""));
        int terminal = -1;
        if (c.terminal) {
            if (!setup.runner.empty()) continue; // a Linux terminal
            terminal = open_terminal();
            if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal here";
            how.output_path = ptsname(terminal);
        }
        const result r = run({}, how);
        const std::string out = c.terminal ? drain(terminal) : r.out;
        if (terminal >= 0) close(terminal);
        EXPECT_EQ(out, text(c.listed));
        EXPECT_EQ(without_sgr(out), text(plain));
        EXPECT_EQ(r.err, text(program() + ":  syntax error: ./rgb.txt:5\n"));
    }
}

// A diagnostic that cannot be written fails the run, which still lists
// every entry; nothing to report leaves it a success.
TEST_F(EndToEnd, StandardErrorThatCannotBeWritten) {
    database("bad.txt", "1 2 3 a\nbad\n4 5 6 b\n");
    database("good.txt", "1 2 3 a\n");
    launch how;
    how.errors_device_full = true;
    const result bad = run({"bad"}, how);
    EXPECT_EQ(bad.out, text("  1   2   3\t\ta\n  4   5   6\t\tb\n"));
    EXPECT_EQ(bad.status, 1);
    const result good = run({"good"}, how);
    EXPECT_EQ(good.out, text("  1   2   3\t\ta\n"));
    EXPECT_EQ(good.status, 0);
}

} // namespace
} // namespace tintlist_test
