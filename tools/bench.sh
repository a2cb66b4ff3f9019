#!/usr/bin/env bash
# Runs the mail send benchmark: builds the native tree, starts the mail rig in a private
# network namespace, sends COUNT mails (default 200) with VMAIL and with libcurl, stops the rig.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
count=${1:-200}
mkdir -p build/logs
cmake -S . -B build/native -G "Unix Makefiles" >build/logs/bench-configure.log
cmake --build build/native -j2 --target vmail_send >build/logs/bench-build.log
rig=$root/build/native/bench-rig
exec tests/rig/netns-run.sh bash -c '
    "$1/tests/rig/rig.sh" start "$2" >/dev/null || exit 1
    "$1/build/native/bench/vmail_send" "$2/rig.env" "$3"
    status=$?
    "$1/tests/rig/rig.sh" stop "$2" >/dev/null
    exit $status' bench "$root" "$rig" "$count"
