// SPDX-License-Identifier: MIT
#include "end_to_end.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tintlist_test {

settings setup;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string text(const std::string& lines) {
    if (!setup.windows) return lines;
    std::string converted;
    for (char c : lines) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

// The file's lines: the text between newlines, less the CR of a CR LF.
static std::vector<std::string> lines_of(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = file.find('\n', begin)) != file.npos; begin = end + 1) {
        std::string line = file.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line + '\n');
    }
    if (begin < file.size()) lines.push_back(file.substr(begin));
    return lines;
}

std::optional<written_line> written_for(std::int64_t number, const tintlist::classified_line& line,
                                        const std::string& path) {
    using tintlist::line_outcome;
    const auto n = static_cast<std::size_t>(number);
    const std::string at = path + ":" + std::to_string(number) + "\n";
    const tintlist::colour_entry& colour = line.colour;
    if (line.outcome == line_outcome::entry) {
        char fields[16];
        std::snprintf(fields, sizeof fields, "%3d %3d %3d\t\t", colour.red, colour.green,
                      colour.blue);
        return written_line{false, n, fields + std::string(colour.name) + "\n"};
    }
    if (line.outcome == line_outcome::out_of_range) {
        return written_line{true, n,
                            program() + ":  value for \"" + std::string(colour.name) +
                                "\" out of range: " + at};
    }
    if (line.outcome == line_outcome::syntax_error)
        return written_line{true, n, program() + ":  syntax error: " + at};
    return std::nullopt;
}

// A line keeps 511 characters; a longer one that is not passed over is a
// syntax error.
std::vector<written_line> expected_listing(const std::string& file, const std::string& path) {
    using tintlist::line_outcome;
    std::vector<written_line> listing;
    const std::vector<std::string> lines = lines_of(file);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const bool has_end = line.back() == '\n';
        tintlist::classified_line classified = tintlist::classify_line(line);
        if (line.size() - has_end > 511) {
            const std::string_view head = std::string_view(line).substr(0, 511);
            const bool comment = tintlist::classify_line(head).outcome == line_outcome::skipped;
            classified = {comment ? line_outcome::skipped : line_outcome::syntax_error, {}};
        }
        if (auto written = written_for(static_cast<std::int64_t>(i + 1), classified, path))
            listing.push_back(*written);
    }
    return listing;
}

::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto [a, e] =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const std::size_t at = static_cast<std::size_t>(a - actual.begin());
    const std::size_t from = at < 40 ? 0 : at - 40;
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size()
           << " were expected, first differing at " << at << "\n  actual:   ..."
           << ::testing::PrintToString(actual.substr(from, 80)) << "\n  expected: ..."
           << ::testing::PrintToString(expected.substr(from, 80));
}

expectation expect(const std::string& file, const std::string& path) {
    expectation e;
    for (const written_line& line : expected_listing(file, path))
        (line.diagnostic ? e.err : e.out) += line.bytes;
    return e;
}

pid_t feed_fifo(const fs::path& path, const fifo_writer& body) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), O_WRONLY);
        if (fd < 0) _exit(1);
        body(fd, [fd](std::string_view bytes) {
            while (!bytes.empty()) {
                const ssize_t n = write(fd, bytes.data(), bytes.size());
                if (n <= 0) _exit(1);
                bytes.remove_prefix(static_cast<std::size_t>(n));
            }
        });
        _exit(0);
    }
    return child;
}

void expect_fed(pid_t writer) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed";
}

void EndToEnd::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "tintlist-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    root_ = pattern;
    fs::create_directory(folder());
}

void EndToEnd::TearDown() {
    fs::remove_all(root_);
}

result EndToEnd::run(const std::vector<std::string>& arguments, const launch& how) const {
    std::vector<std::string> argv{setup.tintlist};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run_argv(std::move(argv), how);
}

result EndToEnd::run_argv(std::vector<std::string> argv, const launch& how) const {
    const fs::path out = output_file(), err = root_ / "stderr";
    std::vector<std::string> words = how.wrapper;
    words.insert(words.end(), setup.runner.begin(), setup.runner.end());
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<char*> pointers;
    for (auto& w : words) pointers.push_back(w.data());
    pointers.push_back(nullptr);
    const std::string file = words.size() > argv.size() ? words.front() : setup.tintlist;

    // This run's settings take the place of the suite's own.
    std::vector<std::string> settings(how.environment);
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view inherited(*e);
        const auto same_name = [&](const std::string& set) {
            return set.substr(0, set.find('=') + 1) == inherited.substr(0, inherited.find('=') + 1);
        };
        if (std::none_of(settings.begin(), settings.end(), same_name)) settings.emplace_back(*e);
    }
    std::vector<char*> environment;
    for (auto& e : settings) environment.push_back(e.data());
    environment.push_back(nullptr);

    const standard_output target = how.target;
    const pid_t child = fork();
    if (child == 0) {
        const rlimit cap{output_cap, output_cap};
        if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int o = !how.output_path.empty() ? open(how.output_path.c_str(), O_WRONLY | O_NOCTTY)
                      : target == standard_output::device_full
                          ? open("/dev/full", O_WRONLY)
                          : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = target == standard_output::shared_with_errors ? dup(o)
                      : how.errors_device_full
                          ? open("/dev/full", O_WRONLY)
                          : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0 ||
            chdir(folder().c_str()) != 0)
            _exit(126);
        if (target == standard_output::closed) close(1);
        if (how.input_closed) close(0);
        execvpe(file.c_str(), pointers.data(), environment.data());
        _exit(127);
    }
    // Waits for the end of the run, or kills it at the time limit.
    const auto watched = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    EXPECT_GE(watched, 0) << "pidfd_open: " << std::strerror(errno);
    pollfd end{watched, POLLIN, 0};
    int ready;
    do ready = poll(&end, 1, run_time_limit * 1000);
    while (ready < 0 && errno == EINTR);
    if (ready != 1) kill(child, SIGKILL);
    close(watched);
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    if (ready != 1) {
        ADD_FAILURE() << "the command ran past the limit of " << run_time_limit
                      << " seconds and was killed";
        return {-1, "(past the limit)", "(past the limit)", usage.ru_maxrss};
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) {
        ADD_FAILURE() << "the command wrote past the cap of " << output_cap
                      << " bytes and was stopped";
        return {-1, "(past the cap)", "(past the cap)", usage.ru_maxrss};
    }
    EXPECT_TRUE(WIFEXITED(status)) << "the command died, wait status " << status;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(out), read_file(err),
            usage.ru_maxrss};
}

} // namespace tintlist_test

// usage: end_to_end_test TINTLIST [--runner WORD]... [--windows] [--slow]
//                        [--random-databases N]
//
// --runner words run TINTLIST through another program (wine, valgrind).
// --windows expects what a Windows program writes: every line ending in CR
// LF, and diagnostics that begin with the Windows path wine hands over as
// the program name (Z: and the absolute path with backslashes). --slow also
// runs the tests labelled slow.
int main(int argc, char** argv) {
    using tintlist_test::setup;
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--runner" && i + 1 < argc)
            setup.runner.push_back(argv[++i]);
        else if (word == "--random-databases" && i + 1 < argc)
            setup.random_databases = std::atoi(argv[++i]);
        else if (word == "--windows")
            setup.windows = true;
        else if (word == "--slow")
            setup.slow = true;
        else
            setup.tintlist = fs::absolute(word).string();
    }
    if (setup.tintlist.empty()) {
        std::fprintf(stderr,
                     "usage: %s TINTLIST [--runner WORD]... [--windows] [--slow] "
                     "[--random-databases N]\n",
                     argv[0]);
        return 2;
    }
    setup.program = setup.tintlist;
    if (setup.windows) {
        setup.program = "Z:" + setup.program;
        std::replace(setup.program.begin(), setup.program.end(), '/', '\\');
    }
    return RUN_ALL_TESTS();
}
