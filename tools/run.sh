#!/usr/bin/env bash
# Builds velmor.exe and starts it under Wine in run/, which holds its files, on the user's
# display, with a Wine prefix of its own and the Japanese locale.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ] || ! timeout 10 xdpyinfo >/dev/null 2>&1; then
    echo "make run: no X display is available (DISPLAY='${DISPLAY:-}')." >&2
    echo "Start it from a desktop session, or give it one, e.g.: Xvfb :5 & DISPLAY=:5 make run" >&2
    exit 1
fi

mkdir -p build/logs
cmake -S . -B build/win64 -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    >build/logs/run-configure.log
cmake --build build/win64 -j2 --target velmor vmail velmor_help >build/logs/run-build.log

mkdir -p run
cp res/buu.wav run/
cp build/win64/help/velmor.chm run/
home=$root/build/run-wine
bash cmake/wine-session.sh prepare "$home"

export WINEPREFIX=$home/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
cd run
echo "Starting velmor.exe in $root/run"
exec wine "$root/build/win64/bin/velmor.exe"
