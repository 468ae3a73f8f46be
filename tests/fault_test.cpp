// The command under faults: databases that cannot be read, huge lines and
// arguments, streams that fail, and line numbers past 32 bits.

#include "end_to_end.hpp"

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tintlist_test {
namespace {

// Starts a process that writes `chunk` `repeats` times and then `tail` into
// the FIFO at path, and returns its pid.
pid_t feed_fifo(const fs::path& path, const std::string& chunk, long long repeats,
                const std::string& tail) {
    const pid_t child = fork();
    if (child == 0) {
        const int fd = open(path.c_str(), O_WRONLY);
        if (fd < 0) _exit(1);
        auto put = [fd](const std::string& bytes) {
            for (std::size_t done = 0; done < bytes.size();) {
                const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0) _exit(1);
                done += static_cast<std::size_t>(n);
            }
        };
        for (long long i = 0; i < repeats; ++i) put(chunk);
        put(tail);
        _exit(0);
    }
    return child;
}

void expect_fed(pid_t writer) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed";
}

TEST_F(EndToEnd, DatabaseIsAFifo) {
    if (setup.windows) GTEST_SKIP() << "a Linux FIFO";
    ASSERT_EQ(mkfifo((folder() / "pipe.txt").c_str(), 0600), 0);
    const pid_t writer = feed_fifo(folder() / "pipe.txt", "1 2 3 piped\n", 3, "bad\n");
    const result r = run({"pipe"});
    expect_fed(writer);
    EXPECT_EQ(r.out, "  1   2   3\t\tpiped\n  1   2   3\t\tpiped\n  1   2   3\t\tpiped\n");
    EXPECT_EQ(r.err, program() + ":  syntax error: pipe.txt:4\n");
    EXPECT_EQ(r.status, 0);
}

// The open works, the first read fails with EIO: that must not pass for the
// end of an empty file.
TEST_F(EndToEnd, DatabaseThatCannotBeRead) {
    if (setup.windows) GTEST_SKIP() << "needs /proc";
    fs::create_symlink("/proc/self/mem", folder() / "mem.txt");
    const result r = run({"mem"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, program() + ":  unable to read rgb database \"mem\"\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(EndToEnd, HugeArgument) {
    if (setup.windows) GTEST_SKIP() << "a Windows command line holds at most 32767 characters";
    const std::string name(100000, 'n');
    const result r = run({name});
    EXPECT_EQ(r.out, "");
    // Compared whole, reported short: the message quotes all of the name.
    EXPECT_TRUE(r.err == program() + ":  unable to open rgb database \"" + name + "\"\n")
        << r.err.size() << " bytes: " << r.err.substr(0, 200);
    EXPECT_EQ(r.status, 1);
}

// A line of 10 MB is one line, and memory stays what it is for a small file.
TEST_F(EndToEnd, TenMegabyteLine) {
    database("small.txt", "1 2 3 small\n");
    database("huge.txt", "4 5 6 " + std::string(10 << 20, 'x') + "\n7 8 9 after\n");
    const result small = run({"small"});
    const result huge = run({"huge"});
    EXPECT_EQ(huge.out, text("  7   8   9\t\tafter\n"));
    EXPECT_EQ(huge.err, text(program() + ":  syntax error: huge.txt:1\n"));
    EXPECT_EQ(huge.status, 0);
    if (setup.runner.empty()) {
        EXPECT_LE(huge.peak_kib, small.peak_kib + 512)
            << "peak " << huge.peak_kib << " KiB against " << small.peak_kib << " KiB";
    }
}

// Linux hands an empty argument vector over as an empty program name.
TEST_F(EndToEnd, NoProgramName) {
    SKIP_UNLESS_DIRECT();
    for (const auto& argv : {std::vector<std::string>{}, std::vector<std::string>{""}}) {
        const result r = run_argv(argv);
        EXPECT_EQ(r.err, "tintlist:  unable to open rgb database \"./rgb\"\n");
        EXPECT_EQ(r.status, 1);
    }
}

// Slow: 2^31 + 1 comment lines, then a bad line, through a FIFO.
TEST_F(EndToEnd, LineNumbersPast32Bits) {
    if (!setup.slow) GTEST_SKIP() << "slow; run with --slow";
    SKIP_UNLESS_DIRECT();
    ASSERT_EQ(mkfifo((folder() / "many.txt").c_str(), 0600), 0);
    std::string comments;
    for (int i = 0; i < (1 << 19); ++i) comments += "!\n";
    const pid_t writer = feed_fifo(folder() / "many.txt", comments, 1 << 12, "!\nbad\n");
    const result r = run({"many"});
    expect_fed(writer);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, program() + ":  syntax error: many.txt:2147483650\n");
    EXPECT_EQ(r.status, 0);
}

} // namespace
} // namespace tintlist_test
