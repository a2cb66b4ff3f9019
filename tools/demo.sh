#!/usr/bin/env bash
# A send to real servers on this machine only: starts the mail rig in a private network
# namespace, writes a demo velmor.ini and ToName.dat into run/ for its accounts, starts
# velmor.exe there on the user's display, and once the program has ended prints every mail the
# rig delivered, decoded as a mail reader shows it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ] || ! timeout 10 xdpyinfo >/dev/null 2>&1; then
    echo "make demo: no X display is available (DISPLAY='${DISPLAY:-}')." >&2
    echo "Start it from a desktop session, or give it one, e.g.: Xvfb :5 & DISPLAY=:5 make demo" >&2
    exit 1
fi

mkdir -p build/logs run
cmake -S . -B build/win64 -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    >build/logs/demo-configure.log
cmake --build build/win64 -j2 --target velmor vmail velmor_help >build/logs/demo-build.log
cp res/buu.wav build/win64/help/velmor.chm run/
bash cmake/wine-session.sh prepare "$root/build/run-wine"

exec tests/rig/netns-run.sh bash -c '
    set -u
    root=$1
    rig=$root/build/demo-rig
    "$root/tests/rig/rig.sh" start "$rig" >"$root/build/logs/demo-rig.log" 2>&1 || {
        cat "$root/build/logs/demo-rig.log" >&2; exit 1; }
    python3 "$root/tools/demo_settings.py" "$rig/rig.env" "$root/run"
    echo "Velmor is set up to send to the rig (POP before SMTP). Type a message and press Send."
    (cd "$root/run" && WINEPREFIX=$root/build/run-wine/prefix WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
        wine "$root/build/win64/bin/velmor.exe")
    python3 "$root/tools/demo_settings.py" --show "$rig/rig.env"
    "$root/tests/rig/rig.sh" stop "$rig" >/dev/null 2>&1
' demo "$root"
