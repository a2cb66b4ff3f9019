#!/usr/bin/env bash
# Builds the native, sanitizer, Valgrind and Windows trees and runs every test suite in them (in
# the Valgrind tree each suite runs under memcheck), the Windows suites under Wine one at a time.
# Each tree's whole ctest runs in a private network namespace (tests/rig/netns-run.sh), where
# the mail rig's servers run. Prints one line per suite and a
# last line "N passed, N failed" (test cases); exits non-zero when anything failed or did not
# build.
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
    "valgrind|-DVELMOR_VALGRIND=ON"
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

# Names of a tree's ctest entries, one a line; extra arguments select (e.g. -L label).
test_names() {
    ctest --test-dir "$1" -N "${@:2}" 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: \(.*\)$/\1/p'
}

# ctest's verdict on one entry, from the log of the run: Passed, Failed, Not Run, Timeout, ...;
# empty when the entry did not appear.
verdict() {
    grep -E "Test +#[0-9]+: $2 \.+" "$1" | tail -n 1 |
        sed -E 's/.*Test +#[0-9]+: [^ ]+ \.+ *(\*\*\*)?//; s/ +[0-9.]+ sec.*$//'
}

# Fixture entries start and stop what the suites run in (the Wine session, the mail rig); they
# are not suites of their own.
fixture_pattern='^(wine_session_.*|mail_rig_start|mail_rig_stop)$'

run_tree() {
    local tree=$1
    local dir=build/$tree
    rm -f "$dir"/test-results/*.xml
    local parallel=2
    [ "$tree" = win64 ] && parallel=1
    # The whole ctest of the tree runs in one private network namespace with only loopback: the
    # mail rig's servers take ports 25, 587 and 110 there, and whatever the tests started
    # (servers, the Wine session's display) ends when ctest ends.
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
        "$root/tests/rig/netns-run.sh" \
        ctest --test-dir "$dir" -j"$parallel" --output-on-failure >"$logs/$tree-ctest.log" 2>&1
    if ! grep -qE 'Test +#[0-9]+: ' "$logs/$tree-ctest.log"; then
        echo "$tree: ctest ran no test; see $logs/$tree-ctest.log"
        tail -n 5 "$logs/$tree-ctest.log"
        failed=$((failed + 1))
    fi
    local all fixtures suites scripts
    all=$(test_names "$dir")
    fixtures=$(grep -E "$fixture_pattern" <<<"$all")
    suites=$(grep -v -E "$fixture_pattern" <<<"$all")
    # Suites labelled "script" write no GoogleTest report: each counts as one case, passed or
    # failed by ctest's own verdict.
    scripts=$(test_names "$dir" -L '^script$')
    local suite
    for suite in $suites; do
        local status
        status=$(verdict "$logs/$tree-ctest.log" "$suite")
        local counts tests=0 failures=0 errors=0 good bad note=""
        if grep -qx -- "$suite" <<<"$scripts"; then
            if [ "$status" = Passed ]; then
                good=1 bad=0
            else
                good=0 bad=1
                note=" (${status:-did not run})"
            fi
        else
            local report=$dir/test-results/$suite.xml
            counts=$([ -r "$report" ] && xml_counts "$report")
            [ -n "$counts" ] && read -r tests failures errors <<<"$counts"
            bad=$((failures + errors))
            good=$((tests - bad))
            if [ -z "$counts" ]; then
                bad=$((bad + 1))
                note=" (no report: did not run or crashed)"
            elif [ "$status" != Passed ]; then
                bad=$((bad + 1))
                note=" (exit status: failed)"
            fi
        fi
        passed=$((passed + good))
        failed=$((failed + bad))
        printf '%-9s %-20s %4d passed, %d failed%s\n' "$tree" "$suite" "$good" "$bad" "$note"
    done
    # A fixture that failed (or never ran) fails the run, whatever the suites reported.
    local fixture
    for fixture in $fixtures; do
        local status
        status=$(verdict "$logs/$tree-ctest.log" "$fixture")
        if [ "$status" != Passed ]; then
            failed=$((failed + 1))
            printf '%-9s %-20s fixture %s; see %s\n' "$tree" "$fixture" \
                "${status:-did not run}" "$logs/$tree-ctest.log"
            # What the fixture said (ctest logs a failed test's output after its verdict line).
            sed -E -n "/Test +#[0-9]+: $fixture \.+/,/^ *(Start +[0-9]+:|[0-9]+% tests)/p" \
                "$logs/$tree-ctest.log" | sed '1d;$d' | grep -v '^$' | head -n 10 | sed 's/^/    /'
        fi
    done
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

# The release zip, built in its own tree and checked as a user would unpack and start it.
if bash "$root/tools/dist.sh" >"$logs/dist-build.log" 2>&1 &&
    timeout 900 "$root/tests/rig/netns-run.sh" bash "$root/tests/dist/dist_test.sh" \
        >"$logs/dist-test.log" 2>&1; then
    passed=$((passed + 1))
    printf '%-9s %-20s %4d passed, %d failed\n' dist dist_test 1 0
else
    failed=$((failed + 1))
    printf '%-9s %-20s %4d passed, %d failed (see %s)\n' dist dist_test 0 1 "$logs/dist-*.log"
fi

# Every fuzz target for 20 s from its seed corpus, a smoke run (make fuzz runs them longer): each
# target is one case, passed when it found nothing.
timeout 1200 bash "$root/tools/fuzz.sh" 20 >"$logs/fuzz.log" 2>&1
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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
