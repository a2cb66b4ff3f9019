# shellcheck shell=bash
# The rig's server processes: whether one runs, the session each server's master starts, and
# ending what is left of it; sourced by rig.sh. Every wait is bounded.

# Reads the state and session id of a process from /proc/PID/stat (fields 3 and 6, after the
# command name, which may hold blanks and parentheses) into proc_state and proc_session, both
# empty when the process is gone. Only shell builtins: the process table is scanned often.
read_proc() {
    proc_state="" proc_session=""
    local stat=""
    { IFS= read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 0
    stat=${stat##*) }
    local _ppid _pgrp
    read -r proc_state _ppid _pgrp proc_session _ <<<"$stat"
}

# Succeeds while a process runs. A zombie counts as ended: a daemon's master process is reaped by
# whatever adopted it, which may take its time.
running() {
    read_proc "$1"
    [ -n "$proc_state" ] && [ "$proc_state" != Z ]
}

# Running processes of the session whose leader had the given pid: both servers' master
# processes start a session of their own, and every server process they start stays in it.
session_members() {
    local entry pid
    for entry in /proc/[0-9]*; do
        pid=${entry#/proc/}
        read_proc "$pid"
        [ "$proc_session" = "$1" ] && [ "$proc_state" != Z ] && echo "$pid"
    done
}

# Records the session of a freshly started master process (its pid is in the given file), so
# that stop can find every process of that server.
record_session() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$1")
    [ -n "$pid" ] || return 0
    read_proc "$pid"
    [ -n "$proc_session" ] && echo "$proc_session" >"$2"
}

# Ends every process left in the session recorded in the given file (SIGTERM, then SIGKILL after
# a bounded wait), then removes the file.
end_session() {
    local file=$1 session pids round
    [ -r "$file" ] || return 0
    session=$(cat "$file")
    case $session in '' | *[!0-9]*) rm -f "$file"; return 0 ;; esac
    pids=$(session_members "$session")
    if [ -n "$pids" ]; then
        echo "rig: ending leftover server processes:" $pids >&2
        # shellcheck disable=SC2086
        kill -TERM $pids 2>/dev/null
        for round in $(seq 50); do
            pids=$(session_members "$session")
            [ -z "$pids" ] && break
            sleep 0.1
        done
        # shellcheck disable=SC2086
        [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
        for round in $(seq 20); do
            [ -z "$(session_members "$session")" ] && break
            sleep 0.1
        done
    fi
    rm -f "$file"
}

# Waits, at most the given number of 20 ms steps, for a process to end.
wait_gone() {
    local pid=$1 steps=$2 round
    for round in $(seq "$steps"); do
        running "$pid" || return 0
        sleep 0.02
    done
    ! running "$pid"
}

# stop_process PID_FILE [SESSION_FILE]: SIGTERM to the process named in PID_FILE if it runs (a
# server's master passes it on to its children and ends), up to 5 s for it to end, then whatever
# is left of the session recorded in SESSION_FILE is ended.
stop_process() {
    local pid
    pid=$(tr -dc 0-9 2>/dev/null <"$1")
    if [ -n "$pid" ] && running "$pid"; then
        kill -TERM "$pid" 2>/dev/null
        wait_gone "$pid" 250
    fi
    [ -z "${2:-}" ] || end_session "$2"
}
