#!/bin/sh
# Installs what is missing, builds with warnings as errors and runs every test: the whole suite on a
# normal build, on the Windows release (tools/windows.sh, its libraries cached) and on the web build
# (tools/web.sh) in Chromium and Firefox ESR, then the unit, layering and assets tests and a short run
# of the whole intro on a build with AddressSanitizer and UBSan. A skipped test fails the run unless
# GLIMMERHORN_ALLOW_SKIPS=1.
set -eu
cd "$(dirname "$0")/.."
sh tools/deps.sh test
jobs=$(nproc)

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMERHORN_WERROR=ON
cmake --build build-test -j"$jobs"
GLIMMERHORN_WERROR=ON sh tools/windows.sh
GLIMMERHORN_WERROR=ON sh tools/web.sh
# the browser tests' driver, from its lock file (puppeteer-core drives Debian's browsers: none is downloaded)
[ -d tests/web/node_modules/puppeteer-core ] || PUPPETEER_SKIP_DOWNLOAD=1 npm ci --prefix tests/web --no-audit --no-fund
sh tools/ctest_no_skips.sh build-test --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DGLIMMERHORN_WERROR=ON -DGLIMMERHORN_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
sh tools/ctest_no_skips.sh build-sanitize --output-on-failure -j"$jobs" -L "unit|layering|assets|sanitized"
