// SPDX-License-Identifier: MIT
// The database reader as a program holds it: why it failed, moved, and on a
// thread with a small stack.

#include <tintlist/colour_database.hpp>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <string>

namespace {

using tintlist::database_reader;
namespace fs = std::filesystem;

static_assert(sizeof(database_reader) <= 256);

std::string names(database_reader& reader) {
    std::string read;
    for (const tintlist::database_line& line : reader) read += std::string(line.colour.name) + ";";
    return read;
}

TEST(DatabaseReader, SaysWhyItFailed) {
    const fs::path folder = fs::path(::testing::TempDir()) / "reader-folder.txt";
    fs::create_directories(folder);
    const struct {
        database_reader reader;
        int error;
    } cases[] = {
        {database_reader::open(folder.c_str()), EISDIR},
        {database_reader::open("/nonexistent/rgb.txt"), ENOENT},
        {database_reader(-1), EBADF},
        {database_reader::from_text(""), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.reader.error(), c.error);
        EXPECT_EQ(c.reader.read_failed(), c.error != 0);
    }
}

TEST(DatabaseReader, ReadsOnOnceMoved) {
    const std::string first = "1 2 3 a\n4 5 6 b\n7 8 9 c\n";
    database_reader reader = database_reader::from_text(first);
    ASSERT_EQ(reader.next()->colour.name, "a");
    database_reader moved = std::move(reader);
    EXPECT_EQ(names(moved), "b;c;");
    EXPECT_EQ(reader.next(), nullptr);

    const fs::path second = fs::path(::testing::TempDir()) / "reader-second.txt";
    std::ofstream(second) << "1 1 1 x\n2 2 2 y\n";
    moved = database_reader::open(second.c_str());
    EXPECT_EQ(names(moved), "x;y;");
    EXPECT_EQ(moved.error(), 0);
}

TEST(DatabaseReader, ReadsOnASmallStack) {
    std::string database;
    for (int i = 0; i < 20000; ++i) database += "1 2 3 name " + std::to_string(i) + "\n";
    struct work {
        const std::string* database;
        std::size_t lines = 0;
    } job{&database};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 64 * 1024), 0);
    pthread_t thread;
    const auto read = [](void* argument) -> void* {
        auto& w = *static_cast<work*>(argument);
        for (const auto& line : database_reader::from_text(*w.database)) w.lines += line.number > 0;
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, read, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(job.lines, 20000u);
}

} // namespace
