# SPDX-License-Identifier: MIT
# Quick start: `make run` lists the sample database, `make check` runs every
# test. Both configure and build first when needed; `make check` also gets
# GoogleTest if this machine has none.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all build run check bench fuzz clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	env -u MAKEFLAGS -u MAKELEVEL cmake --build $(BUILD) --parallel

run: $(BUILD)/CMakeCache.txt
	env -u MAKEFLAGS -u MAKELEVEL cmake --build $(BUILD) --parallel --target tintlist
	cd examples && ../$(BUILD)/tintlist

# The tests are required here: configuring fails, naming the package to
# install, where GoogleTest can be neither found nor downloaded.
check:
	cmake -S . -B $(BUILD) -DTINTLIST_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	env -u MAKEFLAGS -u MAKELEVEL cmake --build $(BUILD) --parallel
	@rm -f $(BUILD)/windows-suite.txt
	@ctest --test-dir $(BUILD) --output-on-failure --parallel 2; status=$$?; \
	    cat $(BUILD)/skipped-tests.txt $(BUILD)/windows-suite.txt 2>/dev/null; exit $$status

# REFERENCE=rev also measures the command built from that git revision.
bench:
	REFERENCE=$(REFERENCE) bash bench/run.sh

# Fuzzes classify_line for FUZZ_SECONDS, in a corpus seeded from tests/fuzz.
FUZZ_SECONDS ?= 600
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTINTLIST_FUZZ=ON -DTINTLIST_TESTS=OFF
	env -u MAKEFLAGS -u MAKELEVEL cmake --build build-fuzz --target classify_fuzz
	mkdir -p build-fuzz/corpus
	build-fuzz/tests/fuzz/classify_fuzz -max_len=1024 -max_total_time=$(FUZZ_SECONDS) \
	    build-fuzz/corpus tests/fuzz/corpus

clean:
	rm -rf $(BUILD)
