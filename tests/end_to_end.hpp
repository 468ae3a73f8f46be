// The harness of the end-to-end tests: the built command, run on databases
// written into a fresh folder per test, with its streams captured in files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
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
    result run(const std::vector<std::string>& arguments,
               standard_output target = standard_output::captured) const;

    // Runs the command with exactly this argument vector, program name
    // included, as the kernel hands it over.
    result run_argv(std::vector<std::string> argv,
                    standard_output target = standard_output::captured) const;

    std::filesystem::path root_;
};

// Skips a test that needs the command run directly on Linux.
#define SKIP_UNLESS_DIRECT()                                                                       \
    if (!setup.runner.empty()) GTEST_SKIP() << "needs the Linux program run directly"

} // namespace tintlist_test
