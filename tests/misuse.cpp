// SPDX-License-Identifier: MIT
// Programs that misuse the database reader: built with TEMPORARY_TEXT or
// PATH_AS_TEXT, each must fail to compile; with neither, the program that
// uses it rightly compiles.
#include <tintlist/colour_database.hpp>

#include <string>

std::string load();

int main() {
#if defined(TEMPORARY_TEXT)
    auto reader = tintlist::database_reader::from_text(load()); // gone before it is read
#elif defined(PATH_AS_TEXT)
    tintlist::database_reader reader("rgb.txt"); // a path is no database text
#else
    auto reader = tintlist::database_reader::from_text("1 2 3 a literal lives on\n");
#endif
    return reader.next() != nullptr;
}
