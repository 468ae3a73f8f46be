// SPDX-License-Identifier: MIT
// The harness of the end-to-end tests: the built command, run on databases
// written into a fresh folder per test, with its streams captured in files.
#pragma once

#include <gtest/gtest.h>
#include <tintlist/colour_database.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tintlist_test {

struct settings {
    std::string tintlist;            // the command under test, as an absolute path
    std::vector<std::string> runner; // a program that runs it, with its arguments
    std::string program;             // the name diagnostics begin with
    bool windows = false;            // CR LF line ends, a Windows program name
    bool slow = false;               // run the tests labelled slow
    int random_databases = 300;
};
extern settings setup;

enum class standard_output { captured, shared_with_errors, device_full, closed };

// How one run of the command is started, beyond its arguments.
struct launch {
    standard_output target = standard_output::captured;
    std::vector<std::string> wrapper;     // a program that runs it for this run (strace)
    std::vector<std::string> environment; // NAME=value settings for this run, over the suite's
    bool errors_device_full = false;      // standard error on /dev/full
    bool input_closed = false;            // no standard input: a database opens as 0
    std::string output_path;              // standard output to this file (a terminal)
};

// No run may write more than this to a file: a command that lists without
// end fails with SIGXFSZ instead of filling the disk.
constexpr long long output_cap = 256LL << 20;

// No run may take longer than this many seconds: a command that hangs is
// killed and fails its test, instead of hanging the suite. The slowest
// healthy run, 4 GiB through a FIFO under the sanitizers, took 43 seconds here.
constexpr int run_time_limit = 120;

struct result {
    int status;
    std::string out;
    std::string err;
    long peak_kib; // the command's peak resident size
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// Text as the command writes it: on Windows each newline goes out as CR LF.
std::string text(const std::string& lines);

// One line of what the command must write: an entry on standard output or a
// diagnostic on standard error, for line `number` of the file.
struct written_line {
    bool diagnostic;
    std::size_t number;
    std::string bytes; // with its newline
};

// What the command writes for line `number` of the database at `path`,
// classified so; nothing for a line passed over.
std::optional<written_line> written_for(std::int64_t number, const tintlist::classified_line& line,
                                        const std::string& path);

// What the command must write for a database at `path` holding `file`, line
// by line, from a plain split of the file and classify_line on each line.
std::vector<written_line> expected_listing(const std::string& file, const std::string& path);

// Compares two outputs byte for byte; a difference is shown as its offset
// and the bytes around it, not as the whole of two large outputs.
::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected);

struct expectation {
    std::string out, err;
};
expectation expect(const std::string& file, const std::string& path);

inline const std::string& program() {
    return setup.program;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path folder() const { return root_ / "db"; }
    void database(const std::string& file, const std::string& bytes) const {
        write_file(folder() / file, bytes);
    }

    // Runs the command in folder() with these arguments after the program.
    result run(const std::vector<std::string>& arguments, const launch& how = {}) const;
    result run(const std::vector<std::string>& arguments, standard_output target) const {
        launch how;
        how.target = target;
        return run(arguments, how);
    }

    // Runs the command with exactly this argument vector, program name
    // included, as the kernel hands it over.
    result run_argv(std::vector<std::string> argv, const launch& how = {}) const;

    // Where the command's standard output goes when captured.
    std::filesystem::path output_file() const { return root_ / "stdout"; }

    std::filesystem::path root_;
};

// Starts a process that opens the FIFO at path for writing and runs `body`
// with its descriptor and a function that writes all of some bytes to it;
// returns the process's pid. expect_fed waits for it to have written all.
using fifo_writer = std::function<void(int fd, const std::function<void(std::string_view)>& put)>;
pid_t feed_fifo(const std::filesystem::path& path, const fifo_writer& body);
void expect_fed(pid_t writer);

// Skips a test that needs the command run directly on Linux.
#define SKIP_UNLESS_DIRECT()                                                                       \
    if (!setup.runner.empty()) GTEST_SKIP() << "needs the Linux program run directly"

} // namespace tintlist_test
