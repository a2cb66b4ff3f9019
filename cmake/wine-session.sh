#!/usr/bin/env bash
# Starts or stops what the Windows tests run in: a private Xvfb display and a persistent
# wineserver on the build tree's own prefix. Every wait is bounded.
#   wine-session.sh start HOME    create or reuse HOME/prefix, start the display
#   wine-session.sh stop HOME     stop the wineserver and the display
#   wine-session.sh prepare HOME  only create or update HOME/prefix
set -u
action=${1:?start or stop}
home=${2:?wine home folder}
mkdir -p "$home"
home=$(cd "$home" && pwd)
# shellcheck source=wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_env "$home/prefix"

stop() {
    if [ -r "$home/display" ]; then
        DISPLAY=$(cat "$home/display") timeout 20 wineserver -k 2>/dev/null
    fi
    stop_display "$home"
}

start() {
    stop
    start_display "$home" 1280x1024x24 || return 1
    # A persistent server saves every test the start of a new one.
    timeout 20 wineserver -p 2>/dev/null
    if ! prepare || ! use_virtual_desktop || ! use_default_dpi; then
        stop
        return 1
    fi
    return 0
}

# Creates or updates the prefix. The program asks for the font "ＭＳ Ｐゴシック", which Wine
# lacks; the IPA P Gothic font stands in for it, as it does on Japanese Linux desktops.
prepare() {
    if ! timeout 300 wineboot --init >"$home/wineboot.log" 2>&1; then
        echo "wine-session: wineboot failed, see $home/wineboot.log" >&2
        return 1
    fi
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v 'ＭＳ Ｐゴシック' /t REG_SZ /d 'IPAPGothic' /f >>"$home/wineboot.log" 2>&1
}

# For the tests, one virtual desktop of a fixed size holds every window: no window manager is
# needed, windows map at once, and the screen the program centres on is the same everywhere.
use_virtual_desktop() {
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
        >>"$home/wineboot.log" 2>&1 &&
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ \
        /d 1024x768 /f >>"$home/wineboot.log" 2>&1
}

# The tests see the display at 100 % (96 DPI), which Wine reads at each program's start; the DPI
# table (win32_dpi_tests) sets other DPIs for its own processes and puts this back, and a run
# that was cut short in the middle of it leaves no other DPI to the next.
use_default_dpi() {
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f \
        >>"$home/wineboot.log" 2>&1
}

case $action in
start) start ;;
prepare) prepare ;;
stop) stop ;;
*) echo "wine-session: unknown action $action" >&2; exit 2 ;;
esac
