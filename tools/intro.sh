#!/bin/sh
# Installs what is missing, builds the intro and runs it from the build folder, beside its picture.
set -eu
cd "$(dirname "$0")/.."
sh tools/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMERHORN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
cd build && exec ./glimmerhorn
