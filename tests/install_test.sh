#!/usr/bin/env bash
# Installs the engine (cmake --install) into a folder of its own, builds a small program
# against the installed package outside the tree, and runs it: a picture in as pixels, a
# drawing of ellipses out, as SVG, JSON and PNG.
# Usage: install_test.sh BUILD_DIR
set -eu
build_dir=$1
# The sanitizer builds' libraries need their runtime in every program that links them.
if grep -q "^POLYEVOLVE_SANITIZE:BOOL=ON\|^POLYEVOLVE_TSAN:BOOL=ON" "$build_dir/CMakeCache.txt"; then
    echo "SKIP: a sanitizer build"; exit 77
fi
work=$(mktemp -d /tmp/polyevolve-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log"
mkdir -p "$work/app"
cat >"$work/app/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(uses_polyevolve LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(polyevolve 1 REQUIRED)
add_executable(uses_polyevolve main.cpp)
target_link_libraries(uses_polyevolve PRIVATE polyevolve::polyevolve)
CMAKE
cat >"$work/app/main.cpp" <<'CPP'
#include <polyevolve.h>

#include <fstream>
#include <iostream>

int main() {
    // A sun on a sky: a disc of one colour on a gradient.
    polyevolve::Picture picture;
    picture.width = 120, picture.height = 80;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const bool sun = (x - 80) * (x - 80) + (y - 30) * (y - 30) < 15 * 15;
            picture.pixels.push_back(sun ? 0xffd040u : std::uint32_t(40 + y) << 8 | std::uint32_t(120 + y));
        }
    polyevolve::Options options;
    options.shapes = "ellipse";
    options.maxShapes = 10;
    options.iterations = 300;
    int told = 0;
    double first = 0;
    const polyevolve::Drawing drawing = polyevolve::Evolve(picture, options, [&](const polyevolve::Progress& p) {
        if (told++ == 0) first = p.rmse;
        return true;
    });
    std::ofstream("drawing.svg") << drawing.Svg();
    std::ofstream("drawing.json") << drawing.Json();
    const bool png = drawing.SavePng("drawing.png", 2);
    std::cout << "shapes:" << drawing.Shapes() << " rmse:" << drawing.Rmse() << " first:" << first << " told:" << told << " png:" << png << "\n";
    return drawing.Shapes() > 0 && told > 1 && drawing.Rmse() < first && png ? 0 : 1;
}
CPP
cmake -S "$work/app" -B "$work/app/build" -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/configure.log" ||
    { cat "$work/configure.log"; exit 1; }
cmake --build "$work/app/build" -j2 >"$work/build.log" 2>&1 || { tail -20 "$work/build.log"; exit 1; }
cd "$work/app/build"
./uses_polyevolve
grep -q "<ellipse" drawing.svg || { echo "FAIL: no ellipse in the SVG"; exit 1; }
grep -q '"kind":"ellipse"' drawing.json || { echo "FAIL: no ellipse in the JSON"; exit 1; }
[ "$(head -c 8 drawing.png | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || { echo "FAIL: no PNG"; exit 1; }
echo "ok: built and ran a program against the installed package"
