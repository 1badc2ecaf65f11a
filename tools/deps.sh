#!/bin/sh
# Installs the Debian packages that building and running (deps.sh run) or testing (deps.sh test)
# need and that are not installed yet. Uses sudo when not run as root. xfonts-base is for running:
# SDL draws its X11 message boxes with core X fonts (xset, in x11-xserver-utils, puts them on a
# running server's font path). FFmpeg's libraries and EGL (with Mesa's EGL, libegl-mesa0) build and
# run the capture program; the ffmpeg package's ffprobe and ffmpeg read its files back in the tests.
# mutter, weston, sway, KWin and the screen-cast tools (PipeWire, GStreamer, Python's GObject
# bindings) are for the tests on Wayland compositors; xwd (x11-apps) reads a window's alpha channel.
# Wine runs the Windows build in the tests (which tools/windows.sh builds with packages of its own);
# PulseAudio gives it a null sink to play into (and Firefox, in the browser tests, which Chromium and
# Firefox ESR run, driven by puppeteer-core from npm; Firefox's X server gets Openbox, the window
# manager its full screen needs).
set -eu

BUILD="cmake make g++ pkg-config libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev libjpeg62-turbo-dev
libopenmpt-dev libsdl2-dev libxrandr-dev libx11-dev libgl1-mesa-dri xfonts-base x11-xserver-utils
libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libegl-dev libegl-mesa0"
TEST="libgtest-dev python3 xvfb xauth xdotool x11-utils x11-apps x11-xserver-utils imagemagick
xserver-xorg-core xserver-xorg-video-dummy mesa-utils clang libclang-rt-14-dev
dpkg-dev file desktop-file-utils ffmpeg
mutter weston sway kwin-wayland xwayland dbus-daemon pipewire pipewire-bin wireplumber gstreamer1.0-pipewire
gstreamer1.0-tools gstreamer1.0-plugins-base python3-gi gir1.2-glib-2.0
wine wine64 pulseaudio pulseaudio-utils
chromium firefox-esr openbox nodejs npm libgles-dev"

case "${1:-run}" in
run) wanted="$BUILD" ;;
test) wanted="$BUILD $TEST" ;;
*) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

# a Node.js from elsewhere (NodeSource's) carries its own npm and conflicts with Debian's
# shellcheck disable=SC2086
! command -v npm >/dev/null || wanted=$(printf '%s\n' $wanted | sed '/^npm$/d')

. "$(dirname "$0")/packages.sh"
# shellcheck disable=SC2086
packages_install $wanted
