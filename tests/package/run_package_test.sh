#!/usr/bin/env bash
# Installs a build into a fresh prefix and uses it as a program outside the source tree would:
#   run_package_test.sh BUILD_DIR HELLO_SOURCE WORK_DIR LIBDIR CXX BUILD_TYPE "CXXFLAGS" README
# Checks that the prefix holds only the headers, libraries and package files (the programs only
# with --component apps); that every installed header compiles from the prefix alone; that hello
# builds through find_package(ZelGrid), and the program the README shows (hello, word for word)
# through pkg-config; that both builds render the same non-empty PNG without a display; and that
# examples/sqlite-grid builds through find_package against the binding's own target.
set -euo pipefail
build=$1 hello=$2 work=$3 libdir=$4 cxx=$5 buildType=$6 flags=$7 readme=$8
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
fail() { echo "package test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
stray=$(cd "$prefix" && find . -type f | sed 's|^\./||' | grep -v -E \
  "^(include/(host/[a-z]+|outline|zelgrid|binding)/[A-Za-z0-9]+\.h|$libdir/libzelgrid(_[a-z_]+)?\.a|$libdir/cmake/ZelGrid/ZelGrid[A-Za-z-]*\.cmake|$libdir/pkgconfig/zelgrid\.pc)$" || true)
[ -z "$stray" ] || fail "unexpected files installed: $stray"
[ -f "$prefix/include/zelgrid/Zelgrid.h" ] || fail "zelgrid/Zelgrid.h is not installed"
[ -f "$prefix/include/binding/GridBinding.h" ] || fail "binding/GridBinding.h is not installed"
grep -q "ZelGrid::zelgrid_binding" "$prefix/$libdir/cmake/ZelGrid/ZelGridTargets.cmake" \
  || fail "the CMake package has no target ZelGrid::zelgrid_binding"
# The programs come only when asked for.
cmake --install "$build" --prefix "$work/apps" --component apps >>"$work/install.log"
for app in zelgrid-demo zelform; do
  [ -x "$work/apps/bin/$app" ] || fail "the apps component lacks bin/$app"
done

export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
read -r -a pcflags <<<"$(pkg-config --cflags --libs zelgrid)"
read -r -a cxxflags <<<"$flags"
launcher=()
command -v ccache >/dev/null && launcher=(ccache)

# Every installed header, from the prefix alone: none may need a file that stayed behind.
(cd "$prefix/include" && find . -name '*.h' | sort | sed 's|^\./\(.*\)|#include "\1"|') >"$work/headers.cpp"
"${launcher[@]}" "$cxx" -std=c++20 "${cxxflags[@]}" -fsyntax-only "${pcflags[@]}" "$work/headers.cpp" \
  || fail "the installed headers do not compile on their own"

cmake -S "$hello" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE="$buildType" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_COMPILER_LAUNCHER="${launcher[*]}" \
  >"$work/configure.log" || { cat "$work/configure.log"; fail "hello does not configure with find_package"; }
cmake --build "$work/cmake" || fail "hello does not build with find_package"

# A code block of the README: the first indented block after the line that matches $1.
readme_block() {
  awk -v marker="$1" '$0 ~ marker { on = 1; next }
       on && /^    / { started = 1; print substr($0, 5); next }
       on && started && /^$/ { print ""; next }
       on && started { exit }' "$readme" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}'
}
# The README's program, under its heading "A grid in a program", is hello word for word.
readme_block '^## A grid in a program' >"$work/readme.cpp"
[ -s "$work/readme.cpp" ] || fail "the README shows no program under \"A grid in a program\""
cmp -s "$work/readme.cpp" "$hello/main.cpp" || {
  diff "$hello/main.cpp" "$work/readme.cpp" >&2 || true
  fail "the README's program differs from $hello/main.cpp"
}
"${launcher[@]}" "$cxx" -std=c++20 "${cxxflags[@]}" "$work/readme.cpp" "${pcflags[@]}" -o "$work/hello-pc" \
  || fail "the README's program does not build with pkg-config"
# The README's Escape recipe compiles as it stands, inside a function over hello's records.
{
  sed -n '/^struct TCity/p; /^std::vector<TCity>/p' "$hello/main.cpp" | sed '1i #include "zelgrid/Program.h"'
  echo 'bool Store(TCity&, int, const std::string&);'
  echo 'void EscapeRecipe(TZelGrid* grid) {'
  readme_block '^Escape commits the edit by default'
  echo '}'
} >"$work/recipe.cpp"
grep -q OnValidateData "$work/recipe.cpp" || fail "the README's Escape recipe is missing"
"${launcher[@]}" "$cxx" -std=c++20 "${cxxflags[@]}" -fsyntax-only "$work/recipe.cpp" "${pcflags[@]}" \
  || fail "the README's Escape recipe does not compile"

# Headless whatever the environment says: --png never opens a window.
(cd "$work" && ./cmake/hello --png cmake.png && ./hello-pc --png pc.png) || fail "hello failed to run"
for png in cmake.png pc.png; do
  [ "$(head -c 8 "$work/$png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  [ "$(stat -c %s "$work/$png")" -gt 1000 ] || fail "$png is too small to show a grid"
done
cmp -s "$work/cmake.png" "$work/pc.png" || fail "the two builds of hello render differently"
# The binding is a target of its own: examples/sqlite-grid built through find_package against
# ZelGrid::zelgrid_binding alone shows a table of a SQLite file.
mkdir -p "$work/sqlite-grid"
cat >"$work/sqlite-grid/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(sqlite_grid LANGUAGES CXX)
find_package(ZelGrid 1.0 REQUIRED)
add_executable(sqlite-grid $(dirname "$hello")/sqlite-grid/main.cpp)
target_link_libraries(sqlite-grid PRIVATE ZelGrid::zelgrid_binding)
CMAKE
cmake -S "$work/sqlite-grid" -B "$work/sqlite-grid/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$buildType" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_CXX_COMPILER_LAUNCHER="${launcher[*]}" >"$work/sqlite-configure.log" \
  || { cat "$work/sqlite-configure.log"; fail "sqlite-grid does not configure with find_package"; }
cmake --build "$work/sqlite-grid/build" || fail "sqlite-grid does not build against ZelGrid::zelgrid_binding"
sqlite3 "$work/cities.db" "CREATE TABLE cities(name TEXT PRIMARY KEY, people INTEGER); INSERT INTO cities VALUES ('Oslo', 709037);"
"$work/sqlite-grid/build/sqlite-grid" "$work/cities.db" cities --png "$work/cities.png" >/dev/null \
  || fail "sqlite-grid built from the package failed to run"
[ "$(stat -c %s "$work/cities.png")" -gt 1000 ] || fail "sqlite-grid rendered no table"
echo "package test: installed, built hello both ways and sqlite-grid, rendered $(stat -c %s "$work/cmake.png") bytes"
