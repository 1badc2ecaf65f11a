#!/bin/sh
# Installs what is missing, builds the intro and runs it from the build folder, beside its picture.
set -eu
cd "$(dirname "$0")/.."
sh tools/deps.sh run
# An X server leaves font folders that did not exist when it started off its font path: core X fonts
# installed just now (SDL draws its message boxes with them) are added to the running one's path.
fonts=/usr/share/fonts/X11/misc
if [ -n "${DISPLAY:-}" ] && [ -f "$fonts/fonts.dir" ] && command -v xset >/dev/null &&
    ! xset q 2>/dev/null | grep -q "$fonts"; then
    xset +fp "$fonts" 2>/dev/null || true
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMERHORN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
cd build && exec ./glimmerhorn
