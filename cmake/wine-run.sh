#!/usr/bin/env bash
# Runs a Windows executable under Wine in the build tree's own prefix, with the environment of
# wine-env.sh and the private X display that wine-session.sh started.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
home=${VELMOR_WINE_HOME:-$here/../build/win64/wine}
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_env "$home/prefix"
use_display "$home"
exec timeout --kill-after=10 "${VELMOR_WINE_TIMEOUT:-900}" wine "$@"
