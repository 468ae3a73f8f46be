// SPDX-License-Identifier: MIT
// Loaded with LD_PRELOAD into the command under test: every allocation
// fails, as when memory is exhausted.
#include <cerrno>
#include <cstddef>

extern "C" {

void* malloc(std::size_t) {
    errno = ENOMEM;
    return nullptr;
}

void* calloc(std::size_t, std::size_t) {
    errno = ENOMEM;
    return nullptr;
}

void* realloc(void*, std::size_t) {
    errno = ENOMEM;
    return nullptr;
}

} // extern "C"
