#!/usr/bin/env bash
# Runs the benchmarks: the mail send benchmark (native tree, mail rig in a private network
# namespace, COUNT mails (default 200) with VMAIL and with libcurl), the connect through a name
# whose first address is silent beside a direct one, then the Log viewer's
# opening times on 1, 5 and 20 MB logs under Wine with a private display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
count=${1:-200}
mkdir -p build/logs
cmake -S . -B build/native -G "Unix Makefiles" >build/logs/bench-configure.log
cmake --build build/native -j2 --target vmail_send vmail_connect >build/logs/bench-build.log
rig=$root/build/native/bench-rig
tests/rig/netns-run.sh bash -c '
    "$1/tests/rig/rig.sh" start "$2" >/dev/null || exit 1
    "$1/build/native/bench/vmail_send" "$2/rig.env" "$3"
    status=$?
    "$1/build/native/bench/vmail_connect" "$2/rig.env" 50 || status=1
    "$1/tests/rig/rig.sh" stop "$2" >/dev/null
    exit $status' bench "$root" "$rig" "$count"

cmake -S . -B build/win64 -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    >build/logs/bench-win-configure.log
cmake --build build/win64 -j2 --target viewer_open >build/logs/bench-win-build.log
home=$root/build/win64/bench-wine
bash cmake/wine-session.sh start "$home"
trap 'bash cmake/wine-session.sh stop "$home"' EXIT
mkdir -p build/win64/bench-work
(cd build/win64/bench-work && VELMOR_WINE_HOME=$home "$root/cmake/wine-run.sh" "$root/build/win64/bin/viewer_open.exe" 3)
