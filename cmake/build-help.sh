#!/usr/bin/env bash
# Compiles the help pages into velmor.chm: the sources are UTF-8, the help file code page 932.
#   build-help.sh SOURCE_FOLDER OUTPUT_FILE
set -euo pipefail
source=$1
output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$source"/*; do
    name=$(basename "$file")
    case $name in
    *.html | *.hhc | *.hhp) iconv -f UTF-8 -t CP932 "$file" >"$work/$name" ;;
    *) cp "$file" "$work/$name" ;;
    esac
done
(cd "$work" && chmcmd --verbosity 0 velmor.hhp >chmcmd.log 2>&1) || { cat "$work/chmcmd.log" >&2; exit 1; }
cp "$work/velmor.chm" "$output"
