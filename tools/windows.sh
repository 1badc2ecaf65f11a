#!/bin/sh
# Builds the Windows release on Debian: installs what is missing, fetches Debian's source packages of
# the libraries the program links, cross-builds them static once per machine (cached), then builds
# glimmerhorn.exe, the zip and the installer in build-windows/.
#   sh tools/windows.sh            everything
#   sh tools/windows.sh libraries  only the cached libraries; prints their folder
set -eu
. "$(dirname "$0")/debian_sources.sh"
packages_install cmake make g++ dpkg-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools \
    binutils-mingw-w64-x86-64 nasm nsis zip debian-archive-keyring

jobs=$(nproc)
CC=x86_64-w64-mingw32-gcc-posix
CXX=x86_64-w64-mingw32-g++-posix
FLAGS="-O2"
LIBRARIES="libjpeg-turbo freeglut libopenmpt"

sources_update
# The cache key: the libraries' source versions, the compilers' version, the flags, and the toolchain
# file and build steps that use them (below, and libraries_build's).
sources_versions $LIBRARIES
key=$(cache_key "$versions" "$($CXX --version | head -n 1)" "$FLAGS" "$(cat tools/mingw64.cmake)" \
    "$(function_text build_libraries tools/windows.sh)" "$(function_text libraries_build tools/debian_sources.sh)")
prefix=$cache/win64-$key

build_libraries() {
    cmake_library() {
        name=$1
        shift
        cmake -S "$work/$name" -B "$work/$name-build" -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$FLAGS -DNDEBUG" \
            -DCMAKE_CXX_FLAGS_RELEASE="$FLAGS -DNDEBUG" -DCMAKE_INSTALL_PREFIX="$stage" "$@" >/dev/null
        cmake --build "$work/$name-build" -j"$jobs" >/dev/null
        cmake --install "$work/$name-build" >/dev/null
    }
    echo "windows.sh: building libjpeg-turbo"
    cmake_library libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
        -DCMAKE_ASM_NASM_COMPILER=nasm
    echo "windows.sh: building freeglut"
    cmake_library freeglut -DFREEGLUT_BUILD_SHARED_LIBS=OFF -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF
    echo "windows.sh: building libopenmpt (the longest part)"
    (cd "$work/libopenmpt" && ./configure -q --host=x86_64-w64-mingw32 --prefix="$stage" \
        CC=$CC CXX=$CXX CFLAGS="$FLAGS" CXXFLAGS="$FLAGS" \
        --enable-static --disable-shared --disable-openmpt123 --disable-examples --disable-tests \
        --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis \
        --without-vorbisfile --without-portaudio --without-portaudiocpp --without-pulseaudio \
        --without-sndfile --without-flac >/dev/null &&
        make -j"$jobs" >/dev/null 2>&1 && make install >/dev/null)
    # The licences of what the program carries: the three libraries, and the compilers' runtime
    # (libstdc++, libgcc and winpthreads are linked in statically).
    cp "$work/libjpeg-turbo/LICENSE.md" "$stage/licenses/libjpeg-turbo-LICENSE.md"
    cp "$work/libjpeg-turbo/README.ijg" "$stage/licenses/libjpeg-turbo-README.ijg"
    cp "$work/freeglut/COPYING" "$stage/licenses/freeglut-COPYING"
    cp "$work/libopenmpt/LICENSE" "$stage/licenses/libopenmpt-LICENSE"
    cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-runtime-copyright"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime-copyright"
}
libraries_cached build_libraries

started=$(date +%s)
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$root/tools/mingw64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DGLIMMERHORN_WINDOWS_PREFIX="$prefix" -DGLIMMERHORN_WERROR="${GLIMMERHORN_WERROR:-OFF}" >/dev/null
cmake --build build-windows -j"$jobs"
echo "windows.sh: program, zip and installer built in $(($(date +%s) - started)) s:"
ls -l build-windows/glimmerhorn.exe build-windows/glimmerhorn-*-win64.zip build-windows/glimmerhorn-*-win64-setup.exe
