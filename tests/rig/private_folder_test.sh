#!/usr/bin/env bash
# The mail rig kept below a folder that only its owner may enter, as a clone under /root is: it
# starts, takes, delivers and hands out mail (smoke_test.py), and that folder keeps its mode. The
# rig runs in a namespace of its own (netns-run.sh), beside any rig the test run has started.
#   private_folder_test.sh WORK_DIR
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=${1:?usage: private_folder_test.sh WORK_DIR}
locked=$work/locked

rm -rf "$locked"
mkdir -p "$locked" && chmod 700 "$locked" || exit 1
"$here/netns-run.sh" bash -c '
    "$1/rig.sh" start "$2/rig" || exit 1
    python3 "$1/smoke_test.py" "$2/rig/rig.env"
    status=$?
    "$1/rig.sh" stop "$2/rig"
    exit $status' private-folder "$here" "$locked"
status=$?
mode=$(stat -c %a "$locked")
if [ "$mode" != 700 ]; then
    echo "private_folder_test: FAILED: $locked is mode $mode now, not 700" >&2
    exit 1
fi
exit "$status"
