#!/usr/bin/env bash
# Runs the benchmarks: the mail send benchmark (native tree, mail rig in a private network
# namespace, COUNT mails (default 200) with VMAIL and with libcurl), the connect through a name
# whose first address is silent beside a direct one, then the window benchmarks under Wine
# (start-up and the Log viewer, each beside its floor).
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

# Window benchmarks: what the user of velmor.exe waits for, timed from another process under one
# Wine session (a persistent wineserver and a private display), in turns with a floor built in
# the same tree, the release's (size-optimised and stripped), so that they time the binaries a
# user runs. Start-up is compared with three floors: a bare window of the Main window's size; the
# same with the program's manifest (the themed common controls); and the Main window as its
# first paint shows it, built by a bare program (what the window itself costs). The Log viewer is
# compared with a bare EDIT given the same text. Each prints both medians and their ratio. Where
# allowed (as root), the session and the programs run at a raised priority, so that other work
# on the machine disturbs both sides less.
window_benchmarks() {
    local tree=build/dist-win64
    # shellcheck source=cmake/release-config.sh
    . cmake/release-config.sh
    configure_release "$root" "$tree" >build/logs/bench-win-configure.log
    cmake --build "$tree" -j2 --target startup_time viewer_time >build/logs/bench-win-build.log
    local home=$root/$tree/bench-wine
    local work=$root/$tree/bench-work
    local priority=()
    if nice -n -10 true 2>/dev/null; then
        priority=(nice -n -10)
    fi
    "${priority[@]}" bash cmake/wine-session.sh start "$home"
    trap "bash '$root/cmake/wine-session.sh' stop '$home'" EXIT
    rm -rf "$work"
    mkdir -p "$work"
    # Start-up against each of its floors; the Log viewer against its bare EDIT.
    local bench
    for bench in "startup_time 3 10" "startup_time 3 10 bare_window_styled.exe BAREWINDOW" \
        "startup_time 3 10 bare_main_window.exe BAREMAIN" "viewer_time 3 10"; do
        # shellcheck disable=SC2086
        set -- $bench
        (cd "$work" && VELMOR_WINE_HOME=$home "${priority[@]}" "$root/cmake/wine-run.sh" \
            "$root/$tree/bin/$1.exe" "${@:2}")
    done
}
window_benchmarks
