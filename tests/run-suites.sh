#!/usr/bin/env bash
# Builds the native, sanitizer, Valgrind and Windows trees and runs every test suite in them (in
# the Valgrind tree each suite runs under memcheck), the Windows suites under Wine one at a time;
# then checks the release zip and runs every fuzz target for 20 s. Each tree's whole ctest runs
# in a private network namespace (tests/rig/netns-run.sh), where the mail rig's servers run.
# Prints one line per suite and a last line "N passed, N failed" (test cases); exits non-zero
# when anything failed or did not build. The logs, ctest's JUnit reports and the time each step
# took (timings.log) are in build/logs.
#
# On two cores: a tree's tests, which mostly wait (for servers, time-outs, Wine), run while
# another tree builds (see the order at the end), and the native and Valgrind trees compile the
# same objects once, through ccache.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
logs=$root/build/logs
mkdir -p "$logs"
rm -f "$logs"/*-ctest.pid
timings=$logs/timings.log
: >"$timings"
run_began=$EPOCHREALTIME

passed=0
failed=0

# The native and Valgrind trees compile the same sources with the same flags: through ccache,
# with this checkout's own cache, the second compiles nothing again. The trees differ only in
# the folders the compiler runs in, which ccache is told to ignore.
ccache_options=""
if command -v ccache >/dev/null; then
    export CCACHE_DIR=$root/build/ccache CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=2G
    ccache_options="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi

# Each tree's cmake configure options.
declare -A tree_options=(
    [native]=$ccache_options
    [sanitize]=-DVELMOR_SANITIZE=ON
    [valgrind]="-DVELMOR_VALGRIND=ON $ccache_options"
    [win64]=-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake
)
declare -A built=()

# Milliseconds since the run began.
since_start_ms() {
    local now=${EPOCHREALTIME/./} began=${run_began/./}
    echo $(((now - began) / 1000))
}

# timed STEP COMMAND...: runs the command and adds a line to timings.log: when the step began
# (seconds since the run began), how long it took and the processor time it used (that of every
# process it waited for, as bash's times builtin counts it).
timed() {
    local step=$1 began status ended cpu
    shift
    began=$(since_start_ms)
    cpu=$(mktemp)
    ("$@"; status=$?; times >"$cpu"; exit $status)
    status=$?
    ended=$(since_start_ms)
    printf '%-16s began %6.1f s, took %6.1f s, processor %7.1f s\n' "$step" "${began}e-3" \
        "$((ended - began))e-3" "$(awk 'NR == 2 {
            for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); cpu += t[1] * 60 + t[2] }
        } END { print cpu + 0 }' "$cpu")" >>"$timings"
    rm -f "$cpu"
    return $status
}

configure_and_build() {
    local tree=$1
    # shellcheck disable=SC2086
    cmake -S "$root" -B "build/$tree" -G "Unix Makefiles" ${tree_options[$tree]} \
        >"$logs/$tree-configure.log" 2>&1 &&
        cmake --build "build/$tree" -j2 >"$logs/$tree-build.log" 2>&1
}

# Builds a tree; built[TREE] says whether it did.
build_tree() {
    built[$1]=0
    timed "$1 build" configure_and_build "$1" && built[$1]=1
}

# Runs a tree's whole ctest in one private network namespace with only loopback: the mail rig's
# servers take ports 25, 587 and 110 there, and whatever the tests started (servers, the Wine
# session's display) ends when ctest ends. The list of its entries goes to TREE-tests.json,
# ctest's report on each to TREE-ctest.xml (JUnit).
test_tree() {
    local tree=$1 dir=build/$1 parallel=2
    [ "$tree" = win64 ] && parallel=1
    rm -f "$dir"/test-results/*.xml "$logs/$tree-ctest.xml"
    ctest --test-dir "$dir" --show-only=json-v1 >"$logs/$tree-tests.json"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        "$root/tests/rig/netns-run.sh" \
        ctest --test-dir "$dir" -j"$parallel" --output-on-failure \
            --output-junit "$logs/$tree-ctest.xml" >"$logs/$tree-ctest.log" 2>&1 &
    # Its process id, for ending it when the run is interrupted (see the trap below).
    echo $! >"$logs/$tree-ctest.pid"
    wait $!
    local status=$?
    rm -f "$logs/$tree-ctest.pid"
    return $status
}

# A run interrupted ends the tests it runs in the background too: netns-run.sh passes SIGTERM on
# to ctest, and ends what is left in its namespace.
end_tests() {
    local file
    for file in "$logs"/*-ctest.pid; do
        [ -r "$file" ] && kill -TERM "$(cat "$file")" 2>/dev/null
    done
}
trap 'end_tests; exit 130' INT TERM

# ctest's verdict as the lines show it.
verdict_text() {
    case $1 in
    Missing) echo "did not run" ;;
    *) echo "$1" ;;
    esac
}

# Counts of one suite from its GoogleTest XML report: "tests failures errors".
xml_counts() {
    sed -n 's/.*<testsuites tests="\([0-9]*\)" failures="\([0-9]*\)" disabled="[0-9]*" errors="\([0-9]*\)".*/\1 \2 \3/p' "$1" | head -n 1
}

# One line for a suite or script of a tree, from ctest's verdict and, for a suite, its GoogleTest
# report; adds its cases to passed and failed.
report_entry() {
    local tree=$1 name=$2 role=$3 verdict=$4
    local tests=0 failures=0 errors=0 good bad note="" counts
    if [ "$role" = script ]; then
        # A script writes no GoogleTest report: it counts as one case, by ctest's verdict.
        if [ "$verdict" = Passed ]; then
            good=1 bad=0
        else
            good=0 bad=1
            note=" ($(verdict_text "$verdict"))"
        fi
    else
        local report=build/$tree/test-results/$name.xml
        counts=$([ -r "$report" ] && xml_counts "$report")
        [ -n "$counts" ] && read -r tests failures errors <<<"$counts"
        bad=$((failures + errors))
        good=$((tests - bad))
        if [ -z "$counts" ]; then
            bad=$((bad + 1))
            note=" (no report: did not run or crashed)"
        elif [ "$verdict" != Passed ]; then
            bad=$((bad + 1))
            note=" (exit status: failed)"
        fi
    fi
    passed=$((passed + good))
    failed=$((failed + bad))
    printf '%-9s %-20s %4d passed, %d failed%s\n' "$tree" "$name" "$good" "$bad" "$note"
}

# A fixture (the Wine session, the mail rig) is no suite of its own, but when it failed or never
# ran, the run fails, and what it said is shown.
report_fixture() {
    local tree=$1 name=$2 verdict=$3
    [ "$verdict" = Passed ] && return 0
    failed=$((failed + 1))
    printf '%-9s %-20s fixture %s; see %s\n' "$tree" "$name" "$(verdict_text "$verdict")" \
        "$logs/$tree-ctest.log"
    python3 "$root/tests/ctest_results.py" output "$logs/$tree-ctest.xml" "$name" |
        grep -v '^$' | head -n 10 | sed 's/^/    /'
}

# The lines of one tree, from the JUnit report of its ctest run.
report_tree() {
    local tree=$1 results name role verdict
    results=$(python3 "$root/tests/ctest_results.py" verdicts "$logs/$tree-tests.json" \
        "$logs/$tree-ctest.xml")
    if [ -z "$results" ] || ! grep -qv ' Missing$' <<<"$results"; then
        echo "$tree: ctest ran no test; see $logs/$tree-ctest.log"
        tail -n 5 "$logs/$tree-ctest.log"
        failed=$((failed + 1))
    fi
    [ -n "$results" ] || return 0
    while read -r name role verdict; do
        [ "$role" = fixture ] || report_entry "$tree" "$name" "$role" "$verdict"
    done <<<"$results"
    while read -r name role verdict; do
        [ "$role" != fixture ] || report_fixture "$tree" "$name" "$verdict"
    done <<<"$results"
}

# The lines of a tree: its suites, or that it did not build.
report() {
    if [ "${built[$1]}" = 1 ]; then
        report_tree "$1"
        return
    fi
    failed=$((failed + 1))
    printf '%-9s %-20s build failed; see %s\n' "$1" "(all suites)" "$logs/$1-build.log"
    tail -n 20 "$logs/$1-build.log" "$logs/$1-configure.log" 2>/dev/null
}

# start_tests TREE...: the tests of the trees given that built, one tree after the other, in the
# background; finish_tests waits for them.
start_tests() {
    (
        for tree; do
            [ "${built[$tree]}" = 1 ] && timed "$tree tests" test_tree "$tree"
        done
    ) &
    testing=$!
}
finish_tests() {
    wait "$testing"
}

# The lines come in the order native, sanitize, valgrind, win64. The Windows tree builds second:
# its tests take longest and use the processor least, so the sanitizer and Valgrind trees build
# while they run.
build_tree native
start_tests native
build_tree win64
finish_tests
report native

start_tests win64
build_tree sanitize
build_tree valgrind
finish_tests

# The release zip and the fuzz targets build while the sanitizer and Valgrind tests run.
start_tests sanitize valgrind
timed "dist build" bash "$root/tools/dist.sh" >"$logs/dist-build.log" 2>&1
dist_built=$?
timed "fuzz build" bash "$root/tools/fuzz.sh" --build-only >"$logs/fuzz-build.log" 2>&1
finish_tests
report sanitize
report valgrind
report win64

# The release zip, checked as a user would unpack and start it.
if [ "$dist_built" -eq 0 ] &&
    timed "dist test" timeout 900 "$root/tests/rig/netns-run.sh" \
        bash "$root/tests/dist/dist_test.sh" >"$logs/dist-test.log" 2>&1; then
    passed=$((passed + 1))
    printf '%-9s %-20s %4d passed, %d failed\n' dist dist_test 1 0
else
    failed=$((failed + 1))
    printf '%-9s %-20s %4d passed, %d failed (see %s)\n' dist dist_test 0 1 "$logs/dist-*.log"
fi

# Every fuzz target for 20 s from its seed corpus, a smoke run (make fuzz runs them longer): each
# target is one case, passed when it found nothing.
timed "fuzz run" timeout 1200 bash "$root/tools/fuzz.sh" 20 >"$logs/fuzz.log" 2>&1
fuzz_status=$?
fuzz_clean=$(awk '$2 ~ /^[0-9]+$/ && $3 == 0 { n++ } END { print n + 0 }' "$logs/fuzz.log")
fuzz_found=$(awk '$2 ~ /^[0-9]+$/ && $3 ~ /^[0-9]+$/ && $3 > 0 { n++ } END { print n + 0 }' "$logs/fuzz.log")
if [ "$fuzz_status" -ne 0 ] && [ "$fuzz_found" -eq 0 ]; then
    fuzz_found=1  # the build or a run failed without a count
fi
passed=$((passed + fuzz_clean))
failed=$((failed + fuzz_found))
printf '%-9s %-20s %4d passed, %d failed%s\n' fuzz fuzz_smoke "$fuzz_clean" "$fuzz_found" \
    "$([ "$fuzz_status" -eq 0 ] || echo " (see $logs/fuzz.log)")"

printf '%-16s %6.1f s\n' total "$(since_start_ms)e-3" >>"$timings"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
