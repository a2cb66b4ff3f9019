#!/usr/bin/env bash
# A send to real servers on this machine only: starts the mail rig in a private network
# namespace, writes a demo velmor.ini and ToName.dat into run/ for its accounts and starts
# velmor.exe there.
# With an X display the program is the user's to type into; once it has ended, every mail the
# rig delivered is printed, decoded as a mail reader shows it. Without one (a server, a
# container, CI) the demo runs by itself on a private virtual display: tools/demo_drive.py types
# a message with real key presses, clicks Send, opens the Log viewer, leaves a screenshot of each
# step in run/ and prints the delivered mail and the send log's new record.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

mode=headless
if [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1; then
    mode=interactive
fi

mkdir -p build/logs run
cmake -S . -B build/win64 -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    >build/logs/demo-configure.log
cmake --build build/win64 -j2 --target velmor vmail velmor_help window_probe type_text \
    >build/logs/demo-build.log
cp res/buu.wav build/win64/help/velmor.chm run/
if [ "$mode" = interactive ]; then
    bash cmake/wine-session.sh prepare "$root/build/run-wine"
else
    echo "make demo: no X display is available, so the demo runs by itself on a private display."
fi

exec tests/rig/netns-run.sh bash -c '
    set -u
    root=$1 mode=$2
    rig=$root/build/demo-rig
    "$root/tests/rig/rig.sh" start "$rig" >"$root/build/logs/demo-rig.log" 2>&1 || {
        cat "$root/build/logs/demo-rig.log" >&2; exit 1; }
    status=0
    if [ "$mode" = interactive ]; then
        python3 "$root/tools/demo_settings.py" "$rig/rig.env" "$root/run"
        echo "Velmor is set up to send to the rig (SMTP AUTH, a server that takes 3 s over the"
        echo "mail). Type a message and press Send."
        (cd "$root/run" && . "$root/cmake/wine-env.sh" &&
            wine_env "$root/build/run-wine/prefix" && wine "$root/build/win64/bin/velmor.exe")
        python3 "$root/tools/demo_settings.py" --show "$rig/rig.env"
    else
        home=$root/build/demo-wine
        if bash "$root/cmake/wine-session.sh" start "$home" >"$root/build/logs/demo-wine.log" 2>&1
        then
            python3 "$root/tools/demo_drive.py" "$rig/rig.env" "$home" "$root/build/win64/bin" \
                "$root/run"
            status=$?
        else
            cat "$root/build/logs/demo-wine.log" >&2
            status=1
        fi
        bash "$root/cmake/wine-session.sh" stop "$home"
    fi
    "$root/tests/rig/rig.sh" stop "$rig" >/dev/null 2>&1
    exit $status
' demo "$root" "$mode"
