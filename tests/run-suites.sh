#!/usr/bin/env bash
# Builds the native, sanitizer and Windows trees and runs every test suite in them, the Windows
# suites under Wine one at a time. Prints one line per suite and a last line
# "N passed, N failed" (test cases); exits non-zero when anything failed or did not build.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
logs=$root/build/logs
mkdir -p "$logs"

passed=0
failed=0

# tree name, then cmake configure options
trees=(
    "native|"
    "sanitize|-DVELMOR_SANITIZE=ON"
    "win64|-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake"
)

build_tree() {
    local tree=$1 options=$2
    # shellcheck disable=SC2086
    cmake -S "$root" -B "build/$tree" -G "Unix Makefiles" $options >"$logs/$tree-configure.log" 2>&1 &&
        cmake --build "build/$tree" -j2 >"$logs/$tree-build.log" 2>&1
}

# Counts of one suite from its GoogleTest XML report: "tests failures errors".
xml_counts() {
    sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)" disabled="[0-9]*" errors="\([0-9]*\)".*/\1 \2 \3/p' "$1" | head -n 1
}

run_tree() {
    local tree=$1
    local dir=build/$tree
    rm -f "$dir"/test-results/*.xml
    local parallel=2
    [ "$tree" = win64 ] && parallel=1
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        ctest --test-dir "$dir" -j"$parallel" --output-on-failure >"$logs/$tree-ctest.log" 2>&1
    local suites
    suites=$(ctest --test-dir "$dir" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1/p' | grep -v '^wine_session_')
    local suite
    for suite in $suites; do
        local status
        status=$(grep -E "Test +#[0-9]+: $suite \.+" "$logs/$tree-ctest.log" | tail -n 1)
        local report=$dir/test-results/$suite.xml
        local counts tests=0 failures=0 errors=0
        counts=$([ -r "$report" ] && xml_counts "$report")
        [ -n "$counts" ] && read -r tests failures errors <<<"$counts"
        local bad=$((failures + errors))
        local good=$((tests - bad))
        local note=""
        if [ -z "$counts" ]; then
            bad=$((bad + 1))
            note=" (no report: did not run or crashed)"
        elif ! grep -q 'Passed' <<<"$status"; then
            bad=$((bad + 1))
            note=" (exit status: failed)"
        fi
        passed=$((passed + good))
        failed=$((failed + bad))
        printf '%-9s %-20s %4d passed, %d failed%s\n' "$tree" "$suite" "$good" "$bad" "$note"
    done
    if grep -q 'wine_session_start .*\*\*\*' "$logs/$tree-ctest.log"; then
        echo "$tree: the Wine session did not start; see $logs/$tree-ctest.log"
    fi
}

for entry in "${trees[@]}"; do
    tree=${entry%%|*}
    options=${entry#*|}
    if ! build_tree "$tree" "$options"; then
        printf '%-9s %-20s build failed; see %s\n' "$tree" "(all suites)" "$logs/$tree-build.log"
        tail -n 20 "$logs/$tree-build.log" "$logs/$tree-configure.log" 2>/dev/null
        failed=$((failed + 1))
        continue
    fi
    run_tree "$tree"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
