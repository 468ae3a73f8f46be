#include "end_to_end.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
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

void EndToEnd::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "tintlist-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    root_ = pattern;
    fs::create_directory(folder());
}

void EndToEnd::TearDown() {
    fs::remove_all(root_);
}

result EndToEnd::run(const std::vector<std::string>& arguments, standard_output target) const {
    std::vector<std::string> argv{setup.tintlist};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run_argv(std::move(argv), target);
}

result EndToEnd::run_argv(std::vector<std::string> argv, standard_output target) const {
    const fs::path out = root_ / "stdout", err = root_ / "stderr";
    std::vector<std::string> words = setup.runner;
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<char*> pointers;
    for (auto& w : words) pointers.push_back(w.data());
    pointers.push_back(nullptr);
    const std::string file = setup.runner.empty() ? setup.tintlist : setup.runner.front();

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
        execve(file.c_str(), pointers.data(), environ);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
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
