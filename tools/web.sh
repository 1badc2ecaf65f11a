#!/bin/sh
# Builds the browser release on Debian: installs what is missing, fetches Debian's source packages of
# the libraries the program links, builds them for WebAssembly once per machine (cached), then builds
# in build-web/ the site (site/: index.html, glimmerhorn.js, glimmerhorn.wasm, gfx.data), the single
# self-contained page glimmerhorn.html, the zip of the site, and the GL-logging build under trace/.
#   sh tools/web.sh            everything
#   sh tools/web.sh libraries  only the cached libraries; prints their folder
set -eu
. "$(dirname "$0")/debian_sources.sh"
packages_install cmake make emscripten python3 dpkg-dev zip debian-archive-keyring

# Debian's emscripten: its node modules live in the system's folder, and node's own fetch trips
# its scripts. Its prebuilt cache is used as it is.
export NODE_PATH=/usr/share/nodejs NODE_OPTIONS=--no-experimental-fetch
jobs=$(nproc)
FLAGS="-Os"
LIBRARIES="libjpeg-turbo libopenmpt"

sources_update
# The cache key: the libraries' source versions, the compiler's version, the flags and the build
# steps that use them (below, and libraries_build's).
sources_versions $LIBRARIES
key=$(cache_key "$versions" "$(emcc --version | head -n 1)" "$FLAGS" "$(function_text build_libraries tools/web.sh)" \
    "$(function_text libraries_build tools/debian_sources.sh)")
prefix=$cache/wasm-$key

build_libraries() {
    echo "web.sh: building libopenmpt (the longest part) and libjpeg-turbo"
    # libopenmpt's configure and make take minutes on one core: libjpeg-turbo builds beside it
    (cd "$work/libopenmpt" && emconfigure ./configure -q --prefix="$stage" CFLAGS="$FLAGS" CXXFLAGS="$FLAGS" \
        --enable-static --disable-shared --disable-openmpt123 --disable-examples --disable-tests \
        --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
        --without-vorbisfile --without-portaudio --without-portaudiocpp --without-pulseaudio \
        --without-sndfile --without-flac >"$work/libopenmpt-build.log" 2>&1 &&
        emmake make -j"$jobs" >>"$work/libopenmpt-build.log" 2>&1 &&
        emmake make install >>"$work/libopenmpt-build.log" 2>&1) &
    openmpt=$!
    emcmake cmake -S "$work/libjpeg-turbo" -B "$work/libjpeg-turbo-build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$FLAGS -DNDEBUG" -DCMAKE_INSTALL_PREFIX="$stage" -DENABLE_SHARED=OFF \
        -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=0 -DSIZE_T=4 -DUNSIGNED_LONG=4 \
        >"$work/libjpeg-turbo-build.log" 2>&1 &&
        cmake --build "$work/libjpeg-turbo-build" -j1 >>"$work/libjpeg-turbo-build.log" 2>&1 &&
        cmake --install "$work/libjpeg-turbo-build" >>"$work/libjpeg-turbo-build.log" 2>&1 ||
        { tail -n 30 "$work/libjpeg-turbo-build.log" >&2; kill "$openmpt"; exit 1; }
    wait "$openmpt" || { tail -n 30 "$work/libopenmpt-build.log" >&2; exit 1; }
    # The licences of what the program carries.
    cp "$work/libjpeg-turbo/LICENSE.md" "$stage/licenses/libjpeg-turbo-LICENSE.md"
    cp "$work/libjpeg-turbo/README.ijg" "$stage/licenses/libjpeg-turbo-README.ijg"
    cp "$work/libopenmpt/LICENSE" "$stage/licenses/libopenmpt-LICENSE"
}
libraries_cached build_libraries

started=$(date +%s)
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel -DGLIMMERHORN_TESTS=OFF \
    -DGLIMMERHORN_WASM_PREFIX="$prefix" -DGLIMMERHORN_WERROR="${GLIMMERHORN_WERROR:-OFF}" >/dev/null
cmake --build build-web -j"$jobs"
echo "web.sh: site, single page, zip and traced site built in $(($(date +%s) - started)) s:"
ls -l build-web/site build-web/glimmerhorn.html build-web/glimmerhorn-*-web.zip
