#!/usr/bin/env bash
# Checks the release zip as a user would meet it: unpacked into an empty folder it holds the five
# files, the two binaries need no DLL but Windows' own (and VMAIL.DLL), readme.txt is code page
# 932 with CR LF, and velmor.exe starts in a fresh Wine prefix, shows its Main window and, closed,
# ends with exit code 0. Every wait is bounded; the display and wineserver it starts are stopped
# whatever happens. Usage: dist_test.sh [zip] (default: the zip of res/version.h's version).
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

fail() {
    echo "dist_test: FAILED: $*" >&2
    exit 1
}

version_part() {
    sed -n "s/^#define VELMOR_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" "$root/res/version.h"
}
version=$(version_part MAJOR).$(version_part MINOR).$(version_part PATCH)
zip=${1:-$root/dist/velmor-$version-win64.zip}
[ -s "$zip" ] || fail "$zip not found (run tools/dist.sh first)"
zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")

work=$(mktemp -d "${TMPDIR:-/tmp}/velmor-dist-test.XXXXXX") || fail "no temporary folder"
# shellcheck source=../../cmake/wine-env.sh
. "$root/cmake/wine-env.sh"
wine_env "$work/prefix"

cleanup() {
    if [ -d "$WINEPREFIX" ]; then
        timeout 20 wineserver -k >/dev/null 2>&1
        timeout 20 wineserver -w >/dev/null 2>&1
    fi
    stop_display "$work"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The five files, nothing else, none empty.
app=$work/app
mkdir -p "$app"
timeout 60 unzip -q "$zip" -d "$app" || fail "$zip does not unpack"
expected="VMAIL.DLL buu.wav readme.txt velmor.chm velmor.exe"
found=$(cd "$app" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
found=${found% }
[ "$found" = "$expected" ] || fail "the zip holds \"$found\", expected \"$expected\""
for f in $expected; do
    [ -s "$app/$f" ] || fail "$f is empty"
done
echo "dist_test: the zip holds $expected"

# readme.txt: code page 932, every line ending in CR LF.
iconv -f CP932 -t UTF-8 "$app/readme.txt" >/dev/null 2>&1 || fail "readme.txt is not code page 932"
lines=$(wc -l <"$app/readme.txt")
if [ "$lines" -eq 0 ] || [ "$(grep -c $'\r$' "$app/readme.txt")" -ne "$lines" ]; then
    fail "readme.txt has a line ending in LF alone"
fi
echo "dist_test: readme.txt is code page 932 with CR LF"

# The version resource and the manifest say the version the zip is named after.
resource=$(x86_64-w64-mingw32-windres -i "$app/velmor.exe" -O rc 2>/dev/null) ||
    fail "cannot read velmor.exe's resources"
grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resource" ||
    fail "velmor.exe's version resource is not $version"
# The manifest's assembly version is the same one (windres shows each quote doubled).
grep -qF "name=\"\"Velmor.Velmor\"\" version=\"\"$version.0\"\"" <<<"$resource" ||
    fail "velmor.exe's manifest does not give the assembly version $version.0"
echo "dist_test: velmor.exe is version $version, its manifest $version.0"

# Only Windows' own DLLs: nothing of the compiler's runtime.
system_dlls="KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL SHELL32.DLL WINMM.DLL ADVAPI32.DLL
WS2_32.DLL SECUR32.DLL CRYPT32.DLL MSVCRT.DLL"
check_imports() {
    local binary=$1 allowed=$2 dll dlls
    dlls=$(x86_64-w64-mingw32-objdump -p "$app/$binary" | sed -n 's/^\tDLL Name: //p') ||
        fail "objdump cannot read $binary"
    [ -n "$dlls" ] || fail "$binary imports nothing (not a Windows binary?)"
    for dll in $dlls; do
        grep -qiwF -- "$dll" <<<"$allowed" ||
            fail "$binary imports $dll, which is not a Windows DLL"
    done
    echo "dist_test: $binary imports $(tr '\n' ' ' <<<"$dlls")"
}
check_imports velmor.exe "$system_dlls VMAIL.DLL"
check_imports VMAIL.DLL "$system_dlls"
# VMAIL.DLL, the shell and the multimedia library are loaded at their first use, not at start-up.
for late in VMAIL.DLL SHELL32.DLL WINMM.DLL; do
    ! x86_64-w64-mingw32-objdump -p "$app/velmor.exe" | grep -qix $'\tDLL Name: '"$late" ||
        fail "velmor.exe imports $late, which it should load at its first use"
done

# A helper that waits (bounded) for a top-level window of a class, posts WM_CLOSE to it and
# waits for it to go: exit 0 when it went, 1 when it never came, 2 when it stayed.
cat >"$work/close_window.c" <<'HELPER'
#include <windows.h>
#include <stdlib.h>
int main(int argc, char** argv)
{
    if (argc != 3) return 3;
    int tenths = atoi(argv[2]) * 10;
    HWND window = NULL;
    for (int i = 0; i < tenths && !(window = FindWindowA(argv[1], NULL)); ++i) Sleep(100);
    if (!window) return 1;
    Sleep(1000); /* let it finish starting */
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < tenths && IsWindow(window); ++i) Sleep(100);
    return IsWindow(window) ? 2 : 0;
}
HELPER
x86_64-w64-mingw32-gcc -Wall -Wextra -Werror -O2 -s -o "$work/close_window.exe" \
    "$work/close_window.c" || fail "the window helper does not build"

start_display "$work" 1024x768x24 || fail "no private display"
echo "dist_test: display $DISPLAY"

# A fresh prefix, as on a machine that never ran the program.
echo "dist_test: creating a Wine prefix"
timeout --kill-after=10 300 wineboot -i >"$work/wineboot.log" 2>&1 ||
    fail "wineboot failed: $(tail -n 5 "$work/wineboot.log")"
timeout 60 wineserver -w >/dev/null 2>&1

echo "dist_test: starting velmor.exe"
cd "$app" || fail "no folder $app"
timeout --kill-after=10 120 wine velmor.exe >"$work/velmor.log" 2>&1 &
velmor_pid=$!
timeout --kill-after=10 90 wine "$work/close_window.exe" NORMAL0 60 >"$work/helper.log" 2>&1
helper=$?
wait "$velmor_pid"
status=$?
case $helper in
0) ;;
1) fail "velmor.exe showed no Main window (class NORMAL0) within 60 s; exit $status" ;;
2) fail "the Main window did not close on WM_CLOSE" ;;
*) fail "the window helper failed ($helper): $(tail -n 3 "$work/helper.log")" ;;
esac
[ "$status" -eq 0 ] ||
    fail "velmor.exe exited with $status after WM_CLOSE: $(tail -n 3 "$work/velmor.log")"
echo "dist_test: velmor.exe showed its Main window, closed and exited with 0"
echo "dist_test: passed"
