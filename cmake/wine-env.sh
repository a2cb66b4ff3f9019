# shellcheck shell=bash
# The environment every Windows program of Velmor runs in under Wine, in one place for the tests
# (wine-session.sh, wine-run.sh, the release check), make run, make demo and make bench. Sourced:
#   wine_env PREFIX                 a prefix of its own, the Japanese locale (Wine shows code page
#                                   932 only under ja_JP.UTF-8), no debug output unless WINEDEBUG
#                                   asks for some, no offer to install Mono or Gecko
#   use_display HOME                DISPLAY from HOME/display, when a display was started there
#   start_display HOME WxHxDEPTH    a private Xvfb display; HOME/display names it
#   stop_display HOME               ends it
# Every wait is bounded.

wine_env() {
    export WINEPREFIX=$1
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

use_display() {
    if [ -r "$1/display" ]; then
        DISPLAY=$(cat "$1/display")
        export DISPLAY
    fi
}

# Xvfb picks a free display number itself and writes it to descriptor 3.
start_display() {
    local home=$1 screen=$2
    stop_display "$home"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$home/display.number" \
        >"$home/xvfb.log" 2>&1 &
    echo $! >"$home/xvfb.pid"
    local round
    for round in $(seq 100); do
        [ -s "$home/display.number" ] && break
        kill -0 "$(cat "$home/xvfb.pid")" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$home/display.number" ]; then
        echo "wine-env: Xvfb did not start: $(tail -n 3 "$home/xvfb.log")" >&2
        stop_display "$home"
        return 1
    fi
    echo ":$(head -n 1 "$home/display.number")" >"$home/display"
    use_display "$home"
}

stop_display() {
    local home=$1 pid round
    if [ -r "$home/xvfb.pid" ]; then
        pid=$(cat "$home/xvfb.pid")
        kill "$pid" 2>/dev/null
        for round in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$home/display" "$home/display.number" "$home/xvfb.pid"
}
