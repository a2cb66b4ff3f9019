#!/usr/bin/env bash
# Builds velmor.exe and starts it under Wine in run/, which holds its files, on the user's
# display, with a Wine prefix of its own and the Japanese locale. Without a display there is
# nothing to start it on: it says so and runs the headless demo instead (tools/demo.sh), which
# shows the program sending a mail on a private display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ] || ! timeout 10 xdpyinfo >/dev/null 2>&1; then
    echo "make run: no X display is available (DISPLAY='${DISPLAY:-}'); running make demo instead."
    exec bash "$root/tools/demo.sh"
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

# shellcheck source=../cmake/wine-env.sh
. cmake/wine-env.sh
wine_env "$home/prefix"
cd run
echo "Starting velmor.exe in $root/run"
exec wine "$root/build/win64/bin/velmor.exe"
