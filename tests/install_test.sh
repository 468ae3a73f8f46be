#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a staging folder, checks that it holds exactly the
# files an install should, and builds the example program of another
# project, tests/consumer, against the installed library: with CMake's
# find_package, after `make install` with the build's prefix and a DESTDIR,
# which `make uninstall` then undoes; or with a plain compiler line from
# pkg-config, after `cmake --install --prefix /opt/tintlist` with a DESTDIR.
# The subproject row takes in the source tree with add_subdirectory instead,
# with TINTLIST_INSTALL=ON: the parent keeps its own settings and tests, and
# installs only the library. Each time the example must list a database that
# holds every reading rule as the command does.
# usage: install_test.sh cmake|pkg-config|subproject BUILD_DIR SOURCE_DIR PREFIX LIBDIR
#                        CXX_COMPILER [CXX_FLAGS]
# LIBDIR is the library's folder, relative to PREFIX.
# The consumer is built with the same compiler and flags as the library
# (a sanitized library needs a sanitized program).
set -eu
consumer=$1 build=$2 source=$3 prefix=$4 libdir=$5 compiler=$6 flags=${7-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage

# Runs make in the source folder on this build, showing its output if it fails.
make_target() { # target
    env -u MAKEFLAGS -u MAKELEVEL make -C "$source" "$1" BUILD="$build" PREFIX="$prefix" \
        DESTDIR="$stage" >"$work/make.log" 2>&1 || { cat "$work/make.log"; exit 1; }
}

# Configures and builds tests/consumer with these settings.
build_consumer() {
    cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_CXX_FLAGS="$flags" "$@" >/dev/null
    cmake --build "$work/consumer" >/dev/null
}

# A database that holds each reading rule: CR LF, a lone CR, lines of 511
# and 512 characters and a longer comment, NUL bytes, values past 32 bits,
# an empty line and a last line without a newline.
mkdir -p "$work/db/folder.txt"
long=$(printf '%0600d' 0)
printf '! rules\r\n1 2 3 dos\r\n4 5 6 lone\rcr\n\n%s\n%s\n!%s\n7 8 9 nul\000cut\n' \
    "1 2 3 $(printf '%0505d' 0)" "4 5 6 $(printf '%0506d' 0)" "$long" >"$work/db/tricky.txt"
printf '\000 passed over\n4294967296 0 0 wrapped\n-1 0 0 cold\n 1 2 3\n10 20 30 last' \
    >>"$work/db/tricky.txt"

# The example, run as tintlist, must write what the command writes to both
# streams and end with its status: on that database, on one that is not
# there and on a folder, and with standard input closed, so that the
# database opens as descriptor 0.
same_as_command() { # program
    mkdir -p "$work/command" "$work/example"
    ln -sf "$build/tintlist" "$work/command/tintlist"
    ln -sf "$1" "$work/example/tintlist"
    for name in tricky absent folder; do
        for input in open closed; do
            for which in command example; do
                (set +e; cd "$work/db" && { [ $input = open ] || exec <&-; }
                    PATH="$work/$which" tintlist $name >"$work/$which.out" 2>"$work/$which.err"
                    echo $? >"$work/$which.status")
            done
            for stream in out err status; do
                cmp -s "$work/command.$stream" "$work/example.$stream" ||
                    { echo "FAIL: $1 on $name, input $input: its $stream differs"; exit 1; }
            done
        done
        if [ $name = tricky ] && ! { [ -s "$work/command.out" ] && [ -s "$work/command.err" ]; }; then
            echo "FAIL: the command listed nothing, or reported nothing, on $name"
            exit 1
        fi
    done
}

if [ "$consumer" = subproject ]; then
    build_consumer -DTINTLIST_SOURCE="$source" -DTINTLIST_INSTALL=ON \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$libdir"
    same_as_command "$work/consumer/tintlist"
    same_as_command "$work/consumer/consumer_of_colour_database"
    grep -qx 'CMAKE_BUILD_TYPE:STRING=' "$work/consumer/CMakeCache.txt" ||
        { echo "FAIL: the parent's build type was set"; exit 1; }
    (cd "$work/consumer" && ctest -N | grep -qx 'Total Tests: 0') ||
        { echo "FAIL: the parent runs tintlist's tests"; exit 1; }
    [ ! -e "$work/consumer/CPackConfig.cmake" ] || { echo "FAIL: tintlist took over CPack"; exit 1; }
    DESTDIR=$stage cmake --install "$work/consumer" --prefix "$prefix" >/dev/null
elif [ "$consumer" = cmake ]; then
    make_target install
else
    prefix=/opt/tintlist
    DESTDIR=$stage cmake --install "$build" --prefix "$prefix" >/dev/null
fi

# Every file in the stage, and nothing else: the command, its manual page
# and its completions, but from a parent project; the library, its header,
# its CMake package (whose file of imported targets is named by build type)
# and its pkg-config file.
files=$(cd "$stage" && find . ! -type d | sed 's|^\./||' |
    sed 's/tintlistTargets-[a-z]*\.cmake$/tintlistTargets-BUILD.cmake/' | sort)
zsh=site-functions
[ "$4" != /usr ] || zsh=vendor-completions # as configured
[ "$consumer" = subproject ] || command="bin/tintlist share/man/man1/tintlist.1.gz
    share/bash-completion/completions/tintlist share/zsh/$zsh/_tintlist
    share/fish/vendor_completions.d/tintlist.fish"
expected=$(for file in ${command-} \
    include/tintlist/colour_database.hpp include/tintlist/colour_table.hpp \
    "$libdir/libtintlist.a" "$libdir/pkgconfig/tintlist.pc" \
    "$libdir/cmake/tintlist/tintlistConfig.cmake" "$libdir/cmake/tintlist/tintlistConfigVersion.cmake" \
    "$libdir/cmake/tintlist/tintlistTargets.cmake" "$libdir/cmake/tintlist/tintlistTargets-BUILD.cmake"; do
    echo "${prefix#/}/$file"
done | sort)
[ "$files" = "$expected" ] || { echo "FAIL: the install holds:" $files; exit 1; }

if [ "$consumer" = cmake ]; then
    # CMake looks for packages in lib64 only on systems that use it (Fedora,
    # not Debian): there the test names the package's folder.
    case $libdir in
        lib | lib/*) package_dir= ;;
        *) package_dir=$stage$prefix/$libdir/cmake/tintlist ;;
    esac
    build_consumer -DCMAKE_PREFIX_PATH="$stage$prefix" ${package_dir:+-Dtintlist_DIR="$package_dir"}
    same_as_command "$work/consumer/tintlist"
    same_as_command "$work/consumer/consumer_of_colour_database"

    # bash, with the completion installed, offers examples/rgb.txt as
    # examples/rgb.
    offered=$(cd "$source" && bash -c '. "$0"; COMP_WORDS=(tintlist examples/r) COMP_CWORD=1
        _tintlist; echo "${COMPREPLY[@]}"' "$stage$prefix/share/bash-completion/completions/tintlist")
    [ "$offered" = examples/rgb ] || { echo "FAIL: bash completes examples/r to '$offered'"; exit 1; }

    # Uninstalled, the stage holds no file, and none of tintlist's folders.
    make_target uninstall
    left=$(cd "$stage" && find . ! -type d -o -type d -name tintlist)
    [ -z "$left" ] || { echo "FAIL: make uninstall left:" $left; exit 1; }
elif [ "$consumer" = pkg-config ]; then
    # Compiles with these words and the installed library's flags.
    compile() {
        PKG_CONFIG_PATH="$stage$prefix/$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$stage" sh -c \
            "'$compiler' $* \$(pkg-config --cflags --libs tintlist)"
    }
    compile -std=c++17 "$flags" "'$source/tests/consumer/main.cpp'" -o "'$work/pkg_consumer'"
    same_as_command "$work/pkg_consumer"
    # Each of the README's programs builds and runs on the sample database.
    awk -v out="$work/readme" '/^```cpp$/ { n++; file = out n ".cpp"; next }
        /^```$/ { file = "" } file { print > file }' "$source/README.md"
    for program in "$work"/readme*.cpp; do
        compile -std=c++17 "$flags" "'$program'" -o "'$program.run'"
        (cd "$source/examples" && "$program.run" >/dev/null) ||
            { echo "FAIL: the README's program $(basename "$program") ended with $?"; exit 1; }
    done
    # Below C++17 the header says what it needs.
    ! compile -std=c++14 -fsyntax-only "'$source/tests/consumer/main.cpp'" 2>"$work/cxx14.log" &&
        grep -q 'needs C++17' "$work/cxx14.log" || { echo "FAIL: C++14:"; cat "$work/cxx14.log"; exit 1; }
fi
echo "install: files and $consumer consumer passed"
