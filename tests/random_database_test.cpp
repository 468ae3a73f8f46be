// SPDX-License-Identifier: MIT
// Generated databases of entries, comments, junk bytes, NULs, long lines,
// CR LF and lone CR, through the built command: every line of the file must
// be accounted for exactly once, as the line classification says: listed,
// reported with its own line number, or passed over.

#include "end_to_end.hpp"
#include "random_lines.hpp"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tintlist_test {
namespace {

// Every listed line has the layout "rrr ggg bbb\t\tname".
bool has_layout(std::string_view line) {
    auto field = [&](std::size_t at) {
        for (std::size_t i = at; i < at + 3; ++i) {
            if (line[i] != ' ' && (line[i] < '0' || line[i] > '9')) return false;
        }
        return line[at + 2] != ' ';
    };
    return line.size() > 13 && field(0) && line[3] == ' ' && field(4) && line[7] == ' ' &&
           field(8) && line.substr(11, 2) == "\t\t";
}

// What the command would write for the lines that a reader hands over.
expectation written_by(tintlist::database_reader reader, const std::string& path) {
    expectation e;
    for (const tintlist::database_line& line : reader) {
        if (const auto written = written_for(line.number, line, path))
            (written->diagnostic ? e.err : e.out) += written->bytes;
    }
    EXPECT_EQ(reader.next(), nullptr) << "a line after the end";
    return e;
}

// The command, and the library's reader from the file and from the same
// bytes in memory.
TEST_F(EndToEnd, EveryLineAccountedForOnce) {
    random_lines maker(4711);
    std::size_t listed = 0, reported = 0;
    for (int n = 0; n < setup.random_databases; ++n) {
        const std::string file = maker.database();
        database("random.txt", file);
        const expectation e = expect(file, "random.txt");
        const result r = run({"random"});
        ASSERT_EQ(r.out, text(e.out)) << "database " << n;
        ASSERT_EQ(r.err, text(e.err)) << "database " << n;
        ASSERT_EQ(r.status, 0) << "database " << n;

        const std::string path = folder() / "random.txt";
        const expectation from_file =
            written_by(tintlist::database_reader::open(path.c_str()), "random.txt");
        const expectation from_memory =
            written_by(tintlist::database_reader::from_text(file), "random.txt");
        for (const expectation& read : {from_file, from_memory}) {
            ASSERT_EQ(read.out, e.out) << "database " << n;
            ASSERT_EQ(read.err, e.err) << "database " << n;
        }
        listed += std::count(e.out.begin(), e.out.end(), '\n');
        reported += std::count(e.err.begin(), e.err.end(), '\n');

        std::string_view rest = e.out;
        for (std::size_t end; (end = rest.find('\n')) != rest.npos; rest.remove_prefix(end + 1))
            ASSERT_TRUE(has_layout(rest.substr(0, end))) << rest.substr(0, end);
    }
    // The mix must hold both kinds of line in numbers.
    EXPECT_GT(listed, setup.random_databases * 5u);
    EXPECT_GT(reported, setup.random_databases * 5u);
}

} // namespace
} // namespace tintlist_test
