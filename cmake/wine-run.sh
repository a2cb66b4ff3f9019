#!/usr/bin/env bash
# Runs a Windows executable under Wine in the build tree's own prefix, with the Japanese
# locale (code page 932) and the private X display that wine-session.sh started.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
home=${VELMOR_WINE_HOME:-$here/../build/win64/wine}
export WINEPREFIX=$home/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
if [ -r "$home/display" ]; then
    DISPLAY=$(cat "$home/display")
    export DISPLAY
fi
exec timeout --kill-after=10 "${VELMOR_WINE_TIMEOUT:-900}" wine "$@"
