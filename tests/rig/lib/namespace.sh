# shellcheck shell=bash
# What the rig needs of the private namespaces of netns-run.sh: a network of the loopback alone,
# and a mount namespace of its own, where the servers reach the rig's folder through a view;
# sourced by rig.sh, which sets dir (the rig's folder) and fail.

# Refuses to go on when any network interface other than the loopback exists: then this is the
# machine's network, not a private namespace. /proc/self/net/dev lists the interfaces of the
# namespace this process is in (unlike /sys/class/net, which shows that of the mounted sysfs).
check_namespace() {
    local others
    others=$(sed -n '3,$s/^ *\([^:]*\):.*/\1/p' /proc/self/net/dev | grep -v '^lo$' |
        tr '\n' ' ' | sed 's/ $//')
    if [ -n "$others" ]; then
        echo "rig: refusing to run: network interfaces other than lo exist ($others)." >&2
        echo "rig: run the tests inside a private namespace: tests/rig/netns-run.sh ctest ..." >&2
        exit 3
    fi
    if ! ip -o link show dev lo 2>/dev/null | grep -q '<[^>]*\bUP\b'; then
        echo "rig: the loopback interface is down; run inside tests/rig/netns-run.sh" >&2
        exit 3
    fi
}

# The rig's folder DIR holds all of it (configuration, queue, state, Maildirs, logs, rig.env) and
# stays in place after the rig ends, for a look at its logs. The server accounts need not reach
# DIR, which may lie below a folder only its owner may enter (a clone under /root): they use
# DIR's view, DIR bound onto a folder of a small tmpfs mounted at view_base. Both mounts exist
# only inside the private mount namespace that netns-run.sh gives, and vanish with it; on the
# machine itself nothing changes but view_base, one empty root-owned folder kept as the mount
# point, and no permission of the user's folders is touched.
view_base=/run/velmor-rig

# Refuses to mount anything outside the private mount namespace of netns-run.sh, which names it
# in VELMOR_PRIVATE_MOUNTS (process 1's namespace cannot be read in every sandbox).
check_mount_namespace() {
    if [ -z "${VELMOR_PRIVATE_MOUNTS:-}" ] ||
        [ "$(readlink /proc/self/ns/mnt)" != "$VELMOR_PRIVATE_MOUNTS" ]; then
        echo "rig: refusing to mount the rig's view outside a private mount namespace." >&2
        echo "rig: run the tests inside tests/rig/netns-run.sh" >&2
        exit 3
    fi
}

# The mount point on the machine and the tmpfs over it in this namespace, once per namespace.
mount_view_base() {
    if [ ! -e "$view_base" ]; then
        mkdir -m 755 "$view_base" || fail "cannot create the mount point $view_base"
    fi
    if [ -L "$view_base" ] || [ ! -d "$view_base" ] || [ "$(stat -c %u "$view_base")" != 0 ]; then
        fail "$view_base must be a folder that belongs to root"
    fi
    mountpoint -q "$view_base" ||
        mount -t tmpfs -o mode=755,size=1m velmor-rig "$view_base" ||
        fail "cannot mount a tmpfs at $view_base"
}

# Binds DIR onto its own folder below view_base (named by a checksum of its path, so that two
# rigs in one namespace keep apart) and sets view to it; every server path is below the view.
mount_view() {
    mount_view_base
    view=$view_base/$(printf '%s' "$dir" | cksum | cut -d ' ' -f 1)
    mkdir -p "$view" || fail "cannot create $view"
    mountpoint -q "$view" || mount --bind "$dir" "$view" || fail "cannot bind $dir onto $view"
}

# Fails unless every folder from the view up to / may be entered by other users: the server
# accounts need to reach the view.
check_view_reachable() {
    local path=$view depth
    for depth in $(seq 64); do
        [ "$path" = / ] && break
        if [ "$(( 0$(stat -c %a "$path") & 1 ))" -eq 0 ]; then
            fail "$path is not searchable by other users; the server accounts need to reach $view"
        fi
        path=$(dirname "$path")
    done
}
