#!/usr/bin/env bash
# Builds the Windows release and packs it: a size-optimised, stripped MinGW-w64 build in its own
# tree (build/dist-win64), checked to need no DLL but Windows' own and VMAIL.DLL, and the zip
# dist/velmor-<version>-win64.zip holding velmor.exe, VMAIL.DLL, buu.wav, velmor.chm and
# readme.txt (Japanese, code page 932, CR LF). The version comes from res/version.h.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=${VELMOR_DIST_BUILD:-build/dist-win64}
out=dist

fail() {
    echo "dist: $*" >&2
    exit 1
}

version_part() {
    sed -n "s/^#define VELMOR_VERSION_$1 \([0-9][0-9]*\)\$/\1/p" res/version.h
}
major=$(version_part MAJOR)
minor=$(version_part MINOR)
patch=$(version_part PATCH)
if [ -z "$major" ] || [ -z "$minor" ] || [ -z "$patch" ]; then
    fail "no version in res/version.h"
fi
version=$major.$minor.$patch
zip_name=velmor-$version-win64.zip

# shellcheck source=cmake/release-config.sh
. "$root/cmake/release-config.sh"
echo "dist: configuring $build"
configure_release "$root" "$build" >/dev/null || fail "configuring $build failed"
echo "dist: building velmor.exe, VMAIL.DLL and velmor.chm"
cmake --build "$build" -j"$(nproc)" --target velmor vmail velmor_help \
    >"$build/dist-build.log" 2>&1 ||
    { tail -n 30 "$build/dist-build.log" >&2; fail "the build failed; see $build/dist-build.log"; }

exe=$build/bin/velmor.exe
dll=$build/bin/VMAIL.DLL
chm=$build/help/velmor.chm
for f in "$exe" "$dll" "$chm" res/buu.wav res/readme.txt; do
    [ -s "$f" ] || fail "$f is missing"
done

# Only Windows' own DLLs, and VMAIL.DLL for the program: nothing of the compiler's runtime.
system_dlls="KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL SHELL32.DLL WINMM.DLL ADVAPI32.DLL
WS2_32.DLL SECUR32.DLL CRYPT32.DLL MSVCRT.DLL"
check_imports() {
    local binary=$1 allowed=$2 dll bad=0
    for dll in $(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\tDLL Name: //p'); do
        if ! grep -qiwF -- "$dll" <<<"$allowed"; then
            echo "dist: $binary imports $dll, which is not a Windows DLL" >&2
            bad=1
        fi
    done
    return "$bad"
}
check_imports "$exe" "$system_dlls VMAIL.DLL" || fail "velmor.exe needs a DLL Windows lacks"
check_imports "$dll" "$system_dlls" || fail "VMAIL.DLL needs a DLL Windows lacks"

# Dropping unused sections must leave every operation VMAIL.DLL exports.
exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort)
wanted=$(sed -n 's/^\s*\([A-Za-z_][A-Za-z0-9_]*\)\s*\(@.*\)\?$/\1/p' vmail/vmail.def |
    grep -v -x -e EXPORTS -e LIBRARY | sort)
[ "$exports" = "$wanted" ] ||
    fail "VMAIL.DLL exports $(tr '\n' ' ' <<<"$exports"), expected $(tr '\n' ' ' <<<"$wanted")"

# The version resource Explorer shows is the one the zip is named after.
resource=$(x86_64-w64-mingw32-windres -i "$exe" -O rc 2>/dev/null) ||
    fail "cannot read velmor.exe's resources"
if ! grep -q "FILEVERSION $major, $minor, $patch, 0" <<<"$resource" ||
    ! grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resource"; then
    fail "velmor.exe's version resource is not $version"
fi

# readme.txt: kept in UTF-8 with LF in the tree, shipped in code page 932 with CR LF.
stage=$build/dist-stage
rm -rf "$stage"
mkdir -p "$stage" "$out"
sed "s/@VERSION@/$version/g; s/\r\$//; s/\$/\r/" res/readme.txt |
    iconv -f UTF-8 -t CP932 >"$stage/readme.txt" ||
    fail "res/readme.txt does not convert to code page 932"
cp "$exe" "$dll" "$chm" res/buu.wav "$stage/"

rm -f "$out/$zip_name"
(cd "$stage" &&
    zip -q -X -9 "$root/$out/$zip_name" velmor.exe VMAIL.DLL buu.wav velmor.chm readme.txt) ||
    fail "zip failed"

exe_size=$(stat -c %s "$exe")
dll_size=$(stat -c %s "$dll")
echo "dist: velmor.exe $exe_size bytes, VMAIL.DLL $dll_size bytes," \
     "together $(( (exe_size + dll_size + 1023) / 1024 )) KB"
echo "dist: $out/$zip_name"
