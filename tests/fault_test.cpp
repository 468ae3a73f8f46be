// SPDX-License-Identifier: MIT
// The command under faults: databases that cannot be read, reads and writes
// that fail once, huge lines and arguments, and line numbers past 32 bits.

#include "end_to_end.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tintlist_test {
namespace {

// Feeds the FIFO at path with `chunk` `repeats` times and then `tail`.
pid_t feed_repeated(const fs::path& path, const std::string& chunk, long long repeats,
                    const std::string& tail) {
    return feed_fifo(path, [&](int, const auto& put) {
        for (long long i = 0; i < repeats; ++i) put(chunk);
        put(tail);
    });
}

TEST_F(EndToEnd, DatabaseIsAFifo) {
    if (setup.windows) GTEST_SKIP() << "a Linux FIFO";
    ASSERT_EQ(mkfifo((folder() / "pipe.txt").c_str(), 0600), 0);
    const pid_t writer = feed_repeated(folder() / "pipe.txt", "1 2 3 piped\n", 3, "bad\n");
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

// A run under strace that fails the `fail_at`th `call` (read or write) made
// on `files` with `error`, or none when fail_at is 0, and logs the reads and
// writes made on them.
launch traced(const fs::path& log, const std::vector<fs::path>& files, const std::string& call,
              int fail_at, const std::string& error = "EIO") {
    launch how;
    // LeakSanitizer, where the command has it, cannot work under ptrace.
    how.environment = {"ASAN_OPTIONS=detect_leaks=0"};
    how.wrapper = {"strace", "-o", log.string(), "-e", "trace=read,write"};
    for (const fs::path& file : files)
        how.wrapper.insert(how.wrapper.end(), {"-P", fs::canonical(file).string()});
    if (fail_at > 0) {
        how.wrapper.insert(how.wrapper.end(), {"-e", "inject=" + call + ":error=" + error +
                                                         ":when=" + std::to_string(fail_at)});
    }
    return how;
}

// What each traced `call` returned, in order; a failed one returned -1.
// With `after_failure`, only those made after a call that failed.
std::vector<long long> returns(const fs::path& log, const std::string& call,
                               bool after_failure = false) {
    std::vector<long long> values;
    std::ifstream in(log);
    bool failed = false;
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.rfind(" = ");
        if (equals == line.npos) continue;
        const long long value = std::atoll(line.c_str() + equals + 3);
        if (line.starts_with(call + "(") && (failed || !after_failure)) values.push_back(value);
        failed |= value == -1;
    }
    return values;
}

bool have_strace() {
    return std::system("strace -V >/dev/null 2>&1") == 0;
}

#define SKIP_UNLESS_STRACE()                                                                       \
    SKIP_UNLESS_DIRECT();                                                                          \
    if (!have_strace()) GTEST_SKIP() << "needs strace"

// Entries, and a bad line now and then.
std::string entries(int lines, int bad_every) {
    std::string file;
    for (int i = 1; i <= lines; ++i) {
        file += i % bad_every == 0
                    ? "bad line " + std::to_string(i) + "\n"
                    : std::to_string(i % 256) + " 0 0 line" + std::to_string(i) + "\n";
    }
    return file;
}

// One read of the database fails and the reads after it would succeed: the
// listing stops there. Everything in the lines taken in before the failure is
// listed or reported; nothing after them is.
TEST_F(EndToEnd, ReadThatFailsOnceStopsTheListing) {
    SKIP_UNLESS_STRACE();
    const std::string file = entries(15000, 1000);
    database("rgb.txt", file);
    const fs::path log = root_ / "strace";
    const result whole = run({}, traced(log, {folder() / "rgb.txt"}, "read", 0));
    ASSERT_TRUE(same_bytes(whole.out, expect(file, "./rgb.txt").out));
    const std::vector<long long> reads = returns(log, "read");
    ASSERT_GE(reads.size(), 3u);
    ASSERT_EQ(reads.back(), 0) << "the last read finds the end of the file";

    // The first read, a middle one, the one with the last bytes, the one at
    // the end of the file.
    const int count = static_cast<int>(reads.size());
    for (int fail_at : {1, count / 2 + 1, count - 1, count}) {
        SCOPED_TRACE("read " + std::to_string(fail_at) + " of " + std::to_string(count));
        const result r = run({}, traced(log, {folder() / "rgb.txt"}, "read", fail_at));
        ASSERT_EQ(returns(log, "read").at(fail_at - 1), -1) << "the failure was injected";
        const auto taken = std::accumulate(reads.begin(), reads.begin() + fail_at - 1, 0LL);
        const std::size_t whole_lines = taken == 0 ? 0 : file.rfind('\n', taken - 1) + 1;
        const expectation e = expect(file.substr(0, whole_lines), "./rgb.txt");
        EXPECT_TRUE(same_bytes(r.out, e.out));
        EXPECT_TRUE(
            same_bytes(r.err, e.err + program() + ":  unable to read rgb database \"./rgb\"\n"));
        EXPECT_EQ(r.status, 1);
    }
}

// One write to standard output fails and the writes after it would succeed:
// the listing stops there, reports the failure once, and writes nothing more
// to either stream.
TEST_F(EndToEnd, WriteThatFailsOnceStopsTheListing) {
    SKIP_UNLESS_STRACE();
    const std::string file = entries(60000, 7001);
    database("rgb.txt", file);
    const std::vector<written_line> listing = expected_listing(file, "./rgb.txt");
    const std::string out = expect(file, "./rgb.txt").out;

    const fs::path log = root_ / "strace";
    write_file(output_file(), ""); // strace follows the file by its path
    const std::vector<fs::path> files{output_file(), folder() / "rgb.txt"};
    const result whole = run({}, traced(log, files, "write", 0));
    ASSERT_TRUE(same_bytes(whole.out, out));
    const std::vector<long long> writes = returns(log, "write");
    ASSERT_GE(writes.size(), 3u);

    // The file line whose entry holds byte `offset` of the listing.
    auto line_at = [&](long long offset) {
        for (const written_line& line : listing) {
            if (line.diagnostic) continue;
            offset -= static_cast<long long>(line.bytes.size());
            if (offset < 0) return line.number;
        }
        return listing.back().number;
    };
    auto diagnostics_before = [&](std::size_t number) {
        return std::count_if(listing.begin(), listing.end(), [&](const written_line& line) {
            return line.diagnostic && line.number < number;
        });
    };

    const int count = static_cast<int>(writes.size());
    for (const auto& [fail_at, error] :
         {std::pair{1, "ENOSPC"}, std::pair{count / 2 + 1, "EIO"}, std::pair{count, "ENOSPC"}}) {
        SCOPED_TRACE("write " + std::to_string(fail_at) + " of " + std::to_string(count));
        const result r = run({}, traced(log, files, "write", fail_at, error));
        ASSERT_EQ(returns(log, "write").at(fail_at - 1), -1) << "the failure was injected";
        const auto written = std::accumulate(writes.begin(), writes.begin() + fail_at - 1, 0LL);
        EXPECT_TRUE(same_bytes(r.out, out.substr(0, written)));
        EXPECT_EQ(r.status, 1);
        EXPECT_LE(returns(log, "read", true).size(), 1u) << "reading went on after the failure";

        // The diagnostics: those of the lines before the failed write's
        // entries, perhaps some of the lines among them, none after them.
        const std::string failure = program() + ":  unable to write standard output\n";
        ASSERT_TRUE(r.err.ends_with(failure)) << r.err;
        const std::string reported = r.err.substr(0, r.err.size() - failure.size());
        std::string expected;
        long reported_count = 0;
        for (const written_line& line : listing) {
            if (expected.size() >= reported.size()) break;
            if (line.diagnostic) expected += line.bytes, ++reported_count;
        }
        EXPECT_EQ(reported, expected);
        EXPECT_GE(reported_count, diagnostics_before(line_at(written)));
        EXPECT_LE(reported_count, diagnostics_before(line_at(written + writes[fail_at - 1] - 1)));
    }
}

// Every write delivers only part of what it was given: the listing and the
// diagnostics are still whole.
TEST_F(EndToEnd, WritesThatDeliverOnlyPart) {
    SKIP_UNLESS_DIRECT();
    const std::string file = entries(60000, 7001);
    database("rgb.txt", file);
    launch how;
    how.environment = {"LD_PRELOAD=" TINTLIST_SHORT_WRITES,
                       "ASAN_OPTIONS=verify_asan_link_order=0"};
    const result r = run({}, how);
    const expectation e = expect(file, "./rgb.txt");
    EXPECT_TRUE(same_bytes(r.out, e.out));
    EXPECT_EQ(r.err, e.err);
    EXPECT_EQ(r.status, 0);
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
    const pid_t writer = feed_repeated(folder() / "many.txt", comments, 1 << 12, "!\nbad\n");
    const result r = run({"many"});
    expect_fed(writer);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, program() + ":  syntax error: many.txt:2147483650\n");
    EXPECT_EQ(r.status, 0);
}

} // namespace
} // namespace tintlist_test
