// SPDX-License-Identifier: MIT
// Lines across the edges of the blocks the listing reads and writes. Each
// interesting line is put across an edge at several points of it: in a
// regular file, where the listing's reads of it end; and through a FIFO fed
// in pieces that end at those points, so that each read ends there. The
// expected listing comes from classify_line over a plain split of the file,
// never from the scanner.

#include "end_to_end.hpp"
#include "line_scanner.hpp"

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace tintlist_test {
namespace {

constexpr std::size_t widest_block = tintlist::block_size;

// Where the listing's reads of a file end, one after another: a read takes
// first_read_size bytes, and each one after it twice as many, up to a block.
struct read_edges {
    std::size_t end = 0, size = tintlist::first_read_size;
    std::size_t next() {
        end += size;
        size = std::min(2 * size, widest_block);
        return end;
    }
};

// Bytes, and the points in them to put at an edge: a point p puts bytes
// [0, p) before the edge and the rest after it.
struct straddle {
    std::string bytes;
    std::vector<std::size_t> points;
};

std::vector<straddle> straddles() {
    std::vector<straddle> cases;
    // Lines at the length limit, with and without a CR before the LF; the
    // points include a CR as the last byte before the edge.
    for (std::size_t length = 509; length <= 514; ++length) {
        for (const char* end : {"\n", "\r\n"}) {
            const std::string line = "1 2 3 " + std::string(length - 6, 'n') + end;
            cases.push_back({line, {1, length - 1, length, length + 1, line.size() - 1}});
        }
    }
    // Longer than the limit: a comment, a bad line and an entry-like line,
    // each starting just before an edge or reaching the limit at one.
    for (const std::string& head : {"!"s, "x"s, "4 5 6 "s}) {
        cases.push_back({head + std::string(700, 'm') + "\n", {1, 2, 3, 511, 512, 513}});
        cases.push_back({head + std::string(700, 'm') + "\r\n", {701, 702}});
    }
    // NUL bytes on either side of an edge.
    cases.push_back({"7 8 9 before\0after\n"s, {12, 13}});
    cases.push_back({"\0 7 8 9 not listed\n"s, {1}});
    cases.push_back({"7 8 9 two\0\0nuls\n"s, {10, 11}});
    // Short lines whose end meets the edge.
    cases.push_back({"10 20 30 short\r\n"s, {14, 15, 16}});
    cases.push_back({"\n"s, {1}});
    return cases;
}

// Appends entries and then one comment that pads `file` to `size` bytes.
void fill(std::string& file, std::size_t size) {
    for (unsigned i = 0; size - file.size() > 40; ++i)
        file += std::to_string(i % 256) + " " + std::to_string(i * 7 % 256) + " 9 filler " +
                std::to_string(i) + "\n";
    const std::size_t gap = size - file.size();
    if (gap == 1) file += "\n";
    if (gap >= 2) file.append(1, '!').append(gap - 2, 'p').append(1, '\n');
}

// Feeds the FIFO at path in pieces: each piece is written and drained by
// the reader before the next one starts, so no read returns bytes of two.
pid_t feed_in_pieces(const fs::path& path, const std::string& bytes,
                     const std::vector<std::size_t>& ends) {
    return feed_fifo(path, [&](int fd, const auto& put) {
        std::size_t done = 0;
        for (std::size_t end : ends) {
            put(std::string_view(bytes).substr(done, end - done));
            done = end;
            for (int waiting = 0; waiting >= 0; std::this_thread::yield()) {
                if (ioctl(fd, FIONREAD, &waiting) != 0) _exit(1);
                if (waiting == 0) break;
            }
        }
    });
}

void expect_listing(const result& r, const std::string& file, const std::string& path) {
    const expectation e = expect(file, path);
    EXPECT_TRUE(same_bytes(r.out, text(e.out)));
    EXPECT_TRUE(same_bytes(r.err, text(e.err)));
    EXPECT_EQ(r.status, 0);
}

TEST_F(EndToEnd, LinesAcrossReadEdgesOfAFile) {
    std::string file;
    read_edges edges;
    for (const straddle& s : straddles()) {
        for (std::size_t point : s.points) {
            fill(file, edges.next() - point);
            file += s.bytes;
        }
    }
    database("rgb.txt", file);
    expect_listing(run({}), file, "./rgb.txt");
}

TEST_F(EndToEnd, LinesAcrossReadEdgesOfAFifo) {
    if (setup.windows) GTEST_SKIP() << "a Linux FIFO";
    std::string file;
    std::vector<std::size_t> ends;
    for (const straddle& s : straddles()) {
        for (std::size_t point : s.points) {
            fill(file, file.size() + 100);
            ends.push_back(file.size() + point);
            file += s.bytes;
        }
    }
    ends.push_back(file.size());
    ASSERT_EQ(mkfifo((folder() / "rgb.txt").c_str(), 0600), 0);
    const pid_t writer = feed_in_pieces(folder() / "rgb.txt", file, ends);
    const result r = run({});
    expect_fed(writer);
    expect_listing(r, file, "./rgb.txt");
}

// Databases that end at an edge or a byte either side of it, with and
// without a newline after their last line.
TEST_F(EndToEnd, DatabaseEndsAtAnEdge) {
    read_edges edges;
    for (int i = 0; i < 3; ++i) edges.next();
    const std::size_t fourth = edges.next(), fifth = edges.next();
    for (std::size_t size : {fourth, fifth - 1, fifth, fifth + 1}) {
        for (const std::string& last : {"1 2 3 last\n"s, "1 2 3 last"s, "1 2 3 last\r"s}) {
            SCOPED_TRACE(std::to_string(size) + " bytes, ending " + std::to_string(last.back()));
            std::string file;
            fill(file, size - last.size());
            file += last;
            ASSERT_EQ(file.size(), size);
            database("rgb.txt", file);
            expect_listing(run({}), file, "./rgb.txt");
        }
    }
}

// An entry written out as 32 bytes: values and tabs, 18 of name, newline.
const std::string entry_of_32 = "1 2 3 a-name-of-18-chars\n";

// Entries written out as exactly `size` bytes (at least 15).
std::string entries_written_as(std::size_t size) {
    std::string lines;
    for (; size > 64; size -= 32) lines += entry_of_32;
    return lines + "1 2 3 " + std::string(size - 14, 'n') + "\n";
}

// Output of many blocks: entries alone; with a bad line just before, at and
// after each multiple of an output block of widest_block bytes; and the
// longest entries reaching up to each of the last 32 bytes of a block.
TEST_F(EndToEnd, OutputOfManyBlocks) {
    const std::size_t per_block = widest_block / 32;
    std::string plain, broken;
    for (std::size_t i = 0; i < 10 * per_block; ++i) plain += entry_of_32;
    for (std::size_t block = 1; block <= 9; ++block) {
        const std::size_t entries = per_block - 1 + block % 3; // one short, exact, one over
        for (std::size_t i = 0; i < entries; ++i) broken += entry_of_32;
        broken += block % 2 == 0 ? "bad\n" : "300 0 0 too red\n";
    }
    // Once the block has grown to its widest, each bad line writes it out;
    // entries then fill it so that an entry of a 511-character line (525
    // bytes with its name copied in chunks of 32) would end at each of the
    // block's last 32 bytes, or one byte past it, where the block must be
    // written out first.
    std::string tops = entries_written_as(2 * widest_block);
    for (std::size_t end = widest_block - 31; end <= widest_block + 1; ++end)
        tops += "bad\n" + entries_written_as(end - 525) + "1 2 3 " + std::string(505, 'w') + "\n";
    for (const std::string& file : {plain, broken, tops}) {
        database("rgb.txt", file);
        expect_listing(run({}), file, "./rgb.txt");
        // With both streams in one place, in the order of the file.
        std::string together;
        for (const written_line& line : expected_listing(file, "./rgb.txt")) together += line.bytes;
        EXPECT_TRUE(same_bytes(run({}, standard_output::shared_with_errors).out, text(together)));
    }
}

} // namespace
} // namespace tintlist_test
