#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, with clang, AddressSanitizer and UndefinedBehaviorSanitizer)
# into build/fuzz and runs each for SECONDS on a copy of its seed corpus, so that the inputs a
# run finds never land in the work tree.
#   tools/fuzz.sh [--build-only] [SECONDS] [TARGET...]
# TARGET is a name as in fuzz/corpus/ (settings_file, recipients, number_text, smtp_reply,
# smtp_dialogue, pop3_reply, message); all of them when none is given. A libFuzzer run uses one
# core, so as many targets run at once as there are cores (VELMOR_FUZZ_JOBS sets another
# number); each still gets its SECONDS on a core of its own. Prints per target, in the order
# given, a line "target executions findings" and exits non-zero when any target crashed, failed
# a check or could not be run. A crashing input is kept under build/fuzz/findings/TARGET/.
# --build-only builds the targets and runs none. VELMOR_FUZZ_BUILD names another build folder,
# for runs side by side that must not share one.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMOR_FUZZ_BUILD:-$root/build/fuzz}
jobs=${VELMOR_FUZZ_JOBS:-$(nproc)}
build_only=0
if [ "${1:-}" = --build-only ]; then
    build_only=1
    shift
fi
seconds=60
if [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
all_targets=(settings_file recipients number_text smtp_reply smtp_dialogue pop3_reply message)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
    if [ ! -d "$root/fuzz/corpus/$target" ]; then
        echo "fuzz: unknown target $target (known: ${all_targets[*]})" >&2
        exit 2
    fi
done

for tool in clang clang++ cmake; do
    command -v "$tool" >/dev/null || { echo "fuzz: $tool is missing (tools/deps.sh installs it)" >&2; exit 2; }
done
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G "Unix Makefiles" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" -- --no-print-directory >/dev/null
[ "$build_only" = 0 ] || exit 0

# Memory-backed where possible: the settings writer flushes each file it saves to the disk.
scratch=${TMPDIR:-/tmp}
[ -n "${TMPDIR:-}" ] || [ ! -w /dev/shm ] || scratch=/dev/shm
work=$(mktemp -d "$scratch/velmor-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs one target; writes its line "target executions findings" to work/TARGET.result and what
# a failure says to work/TARGET.failure.
fuzz_target() {
    local target=$1
    local corpus=$work/$target/corpus
    local artifacts=$build/findings/$target
    mkdir -p "$corpus" "$artifacts"
    cp "$root/fuzz/corpus/$target"/* "$corpus"/
    local log=$build/$target.log
    local status=0
    # -max_total_time ends the run; timeout ends a run that hangs past it, e.g. in a slow input.
    # The file targets' scratch folder goes under the run's folder, so that a crashed target
    # leaves nothing behind.
    TMPDIR=$work \
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
    UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    timeout --kill-after=30 $((seconds + 120)) \
        "$build/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
    local executions findings
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    # libFuzzer stops at its first finding and saves that input; a non-zero exit without one
    # (a hang past timeout, a failed start) counts as a finding too.
    findings=$(grep -c 'Test unit written to' "$log" || true)
    if [ "$status" -ne 0 ] && [ "$findings" -eq 0 ]; then
        findings=1
    fi
    printf '%-14s %12s %9s\n' "$target" "${executions:-0}" "$findings" >"$work/$target.result"
    if [ "$findings" -ne 0 ]; then
        {
            echo "fuzz: $target failed (exit $status); log $log, inputs in $artifacts"
            grep -m5 -E 'check failed|ERROR|runtime error|Test unit written' "$log" || true
        } >"$work/$target.failure"
    fi
}

running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_target "$target" &
    running=$((running + 1))
done
wait

failed=0
printf '%-14s %12s %9s\n' target executions findings
for target in "${targets[@]}"; do
    if [ -s "$work/$target.result" ]; then
        cat "$work/$target.result"
    else
        printf '%-14s %12s %9s\n' "$target" 0 1
        echo "fuzz: $target reported nothing" >"$work/$target.failure"
    fi
    if [ -e "$work/$target.failure" ]; then
        failed=1
        cat "$work/$target.failure" >&2
    fi
done
exit $failed
