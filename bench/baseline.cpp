// SPDX-License-Identifier: MIT
// baseline: the obvious listing loop, for comparison with tintlist: fgets into
// 512 bytes, sscanf with the entry format, printf with the output format.
//
// usage: baseline [name]

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* name = argc == 2 ? argv[1] : "./rgb";
    char* path = static_cast<char*>(std::malloc(std::strlen(name) + 5));
    if (path == nullptr) return 1;
    std::strcpy(path, name);
    std::strcat(path, ".txt");

    std::FILE* database = std::fopen(path, "r");
    if (database == nullptr) {
        std::fprintf(stderr, "%s:  unable to open rgb database \"%s\"\n", argv[0], name);
        std::free(path);
        return 1;
    }
    char line[512], colour[512];
    int red, green, blue, number = 0;
    while (std::fgets(line, sizeof line, database) != nullptr) {
        ++number;
        if (std::sscanf(line, "%d %d %d %[^\n]\n", &red, &green, &blue, colour) == 4) {
            if (red < 0 || red > 255 || green < 0 || green > 255 || blue < 0 || blue > 255)
                std::fprintf(stderr, "%s:  value for \"%s\" out of range: %s:%d\n", argv[0], colour,
                             path, number);
            else
                std::printf("%3u %3u %3u\t\t%s\n", red, green, blue, colour);
        } else if (line[0] != '!' && line[0] != '\0') {
            std::fprintf(stderr, "%s:  syntax error: %s:%d\n", argv[0], path, number);
        }
    }
    std::fclose(database);
    std::free(path);
    return 0;
}
