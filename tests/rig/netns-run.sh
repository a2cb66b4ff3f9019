#!/usr/bin/env bash
# Runs a command in a new, private network namespace whose only interface is the loopback, brought
# up, and a private mount namespace, and passes the command's exit status through:
#   netns-run.sh CMD [ARGS...]
# Servers started inside (the mail rig, a private X display, a wineserver) can bind any port
# without touching the machine's own network, and no packet leaves the namespace. When the command
# ends, every process still living in the namespace is ended (SIGTERM, then SIGKILL after a bounded
# wait), so nothing started inside outlives the command. Mounts made inside (a hosts file over
# /etc/hosts, a folder the server accounts can reach) are seen only there and vanish with it.
# Needs root (unshare --net --mount).
set -u

self=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")

if [ "${1:-}" != --in-namespace ]; then
    if [ $# -eq 0 ]; then
        echo "usage: netns-run.sh CMD [ARGS...]" >&2
        exit 2
    fi
    # The rest of this script runs again, as the first process of the new namespace.
    exec unshare --net --mount --propagation private -- "$BASH" "$self" --in-namespace "$@"
fi
shift

# Scripts inside tell by this that mounts they make stay in here: it names this mount namespace.
VELMOR_PRIVATE_MOUNTS=$(readlink /proc/self/ns/mnt)
export VELMOR_PRIVATE_MOUNTS

if ! ip link set lo up; then
    echo "netns-run: cannot bring up the loopback interface" >&2
    exit 125
fi

# Processes of this namespace other than this shell and the subshell running this function: a
# process is in it when its namespace link names the same namespace object as ours (test -ef
# compares the objects, no further subprocess needed).
namespace_processes() {
    local entry pid
    for entry in /proc/[0-9]*; do
        pid=${entry#/proc/}
        [ "$pid" = $$ ] || [ "$pid" = "$BASHPID" ] && continue
        [ "$entry/ns/net" -ef /proc/$$/ns/net ] 2>/dev/null && echo "$pid"
    done
}

# Waits up to the given number of tenths of a second for the namespace to empty; sets pids to
# what is left.
wait_empty() {
    local round
    for round in $(seq "$1"); do
        pids=$(namespace_processes)
        [ -z "$pids" ] && return 0
        sleep 0.1
    done
    return 1
}

# Ends whatever the command left running here, politely first, within a few seconds.
end_leftovers() {
    local pids
    pids=$(namespace_processes)
    [ -z "$pids" ] && return 0
    echo "netns-run: ending processes left in the namespace:" $pids >&2
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null
    wait_empty 50 && return 0
    echo "netns-run: killing processes that ignored SIGTERM:" $pids >&2
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    wait_empty 20 && return 0
    echo "netns-run: processes still present:" $pids >&2
    return 1
}

# The command runs as a child (keeping our standard input) so that this shell can clean up after
# it; a termination signal sent to this shell is passed on to the command.
"$@" <&0 &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM INT HUP
status=0
# wait returns early when a trapped signal arrives; a bounded number of such returns is waited for.
for _ in $(seq 100); do
    wait "$child"
    status=$?
    kill -0 "$child" 2>/dev/null || break
done
trap - TERM INT HUP
end_leftovers
exit "$status"
