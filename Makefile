# SPDX-License-Identifier: MIT
# Quick start: `make run` lists the sample database, `make check` runs every
# test. Both configure and build first when needed; `make check` also gets
# GoogleTest if this machine has none. `make` builds the command and the
# library, not the tests. `make install` takes PREFIX (default
# /usr/local) and DESTDIR, as the GNU Coding Standards have them; `make
# uninstall` the same DESTDIR.
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=
CMAKE_FLAGS ?=
# The builds below run a make of their own, which must not take this one's
# flags. They get a number of jobs instead: this make's -jN, else
# CMAKE_BUILD_PARALLEL_LEVEL, else one a processor (-j alone, which sets no
# limit, counts as none).
JOBS = $(or $(patsubst -j%,%,$(filter -j%,$(MAKEFLAGS))),$(CMAKE_BUILD_PARALLEL_LEVEL),$(shell getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1))
SUB = env -u MAKEFLAGS -u MAKELEVEL CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS)
BUILD_ALL = $(SUB) cmake --build $(BUILD)
# The library's folder follows the prefix (lib/<multiarch> in /usr on
# Debian, lib elsewhere), so a build configured for another one is
# configured again before it is installed.
FOR_PREFIX = grep -qxF 'CMAKE_INSTALL_PREFIX:PATH=$(PREFIX)' $(BUILD)/CMakeCache.txt || \
    cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX)
# A build made by one user and installed by root stays the user's: what the
# install wrote into it (CMake's install_manifest.txt, say) is given back.
GIVE_BACK = [ "$$(id -u)" != 0 ] || chown -R "$$(ls -ldn $(BUILD) | awk '{ print $$3 ":" $$4 }')" $(BUILD)

.PHONY: all build run check install uninstall dist distcheck release bench fuzz clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	$(BUILD_ALL)

run: $(BUILD)/CMakeCache.txt
	$(BUILD_ALL) --target tintlist
	cd examples && $(abspath $(BUILD))/tintlist

# The tests are required here: configuring fails, naming the package to
# install, where GoogleTest can be neither found nor downloaded. No test
# runs past its time limit, 10 minutes unless it has its own; the tests
# skipped, and the Windows suite's choice of program, are named at the end.
check:
	cmake -S . -B $(BUILD) -DTINTLIST_TESTS=ON $(CMAKE_FLAGS) >/dev/null
	$(BUILD_ALL) --target all tintlist_tests
	@rm -f $(BUILD)/skipped-tests.txt $(BUILD)/windows-suite.txt
	@status=0; (cd $(BUILD) && $(SUB) ctest --output-on-failure --parallel 2 --timeout 600 \
	    --no-tests=error) || status=$$?; \
	    cat $(BUILD)/skipped-tests.txt $(BUILD)/windows-suite.txt 2>/dev/null; exit $$status

install: $(BUILD)/CMakeCache.txt
	@$(FOR_PREFIX)
	$(BUILD_ALL)
	DESTDIR='$(DESTDIR)' cmake --install $(BUILD)
	@$(GIVE_BACK)

# Removes the files that the last install from this build folder wrote, as
# CMake's install_manifest.txt lists them, under the same DESTDIR; then
# tintlist's own folders if they are empty. The folders it shares stay.
uninstall:
	@[ -f $(BUILD)/install_manifest.txt ] || { echo "make uninstall: nothing was installed from $(BUILD)"; exit 1; }
	@while IFS= read -r file || [ -n "$$file" ]; do \
	    echo "-- Removing: $(DESTDIR)$$file"; rm -f '$(DESTDIR)'"$$file" || exit 1; \
	done <$(BUILD)/install_manifest.txt
	@sed -n 's|\(/tintlist\)/[^/]*$$|\1|p' $(BUILD)/install_manifest.txt | sort -u | \
	    while IFS= read -r folder; do rmdir '$(DESTDIR)'"$$folder" 2>/dev/null || true; done

# The source tarball tintlist-VERSION.tar.xz; distcheck builds, tests and
# installs it apart; release writes into RELEASE the tarball, the Debian
# packages, the Windows zip and SHA256SUMS, the same byte for byte on any
# machine (cmake/release.sh says how).
RELEASE ?= release
dist:
	@$(SUB) sh cmake/release.sh dist .
distcheck:
	@$(SUB) sh cmake/release.sh distcheck
release:
	@$(SUB) sh cmake/release.sh release $(RELEASE)

# REFERENCE=rev also measures the command built from that git revision.
bench:
	REFERENCE=$(REFERENCE) $(SUB) bash bench/run.sh

# Fuzzes classify_line for FUZZ_SECONDS, in a corpus seeded from tests/fuzz.
FUZZ_SECONDS ?= 600
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DTINTLIST_FUZZ=ON -DTINTLIST_TESTS=OFF
	$(SUB) cmake --build build-fuzz --target classify_fuzz
	mkdir -p build-fuzz/corpus
	build-fuzz/tests/fuzz/classify_fuzz -max_len=1024 -max_total_time=$(FUZZ_SECONDS) \
	    build-fuzz/corpus tests/fuzz/corpus

clean:
	rm -rf $(BUILD)
