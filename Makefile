# Quick start: `make run` lists the sample database, `make check` runs every
# test. Both configure and build first when needed.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all build run check bench clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	env -u MAKEFLAGS -u MAKELEVEL cmake --build $(BUILD) --parallel

run: build
	cd examples && ../$(BUILD)/tintlist

check: build
	ctest --test-dir $(BUILD) --output-on-failure
	@test -e $(BUILD)/windows/tintlist.exe || \
	    echo "make check: skipped the Windows tests (needs i686-w64-mingw32-g++-win32, wine and wrestool)"

bench:
	bash bench/run.sh

clean:
	rm -rf $(BUILD)
