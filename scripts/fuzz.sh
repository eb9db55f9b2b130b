#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang in build-fuzz/ and runs each in turn, one at
# a time, for as long as asked. A target's seeds (fuzz/<target>/corpus/) are read, never
# written: what a run learns goes to build-fuzz/corpus/<target>/, and an input that crashed,
# leaked or drew a sanitizer report to build-fuzz/artifacts/<target>/ (rerun it with
# `build-fuzz/fuzz/fuzz_<target> FILE`). Ends with a table of executions and time per target,
# and fails when any target found a fault.
#
#   scripts/fuzz.sh                      every target for 60 s
#   scripts/fuzz.sh --seconds 3          every target for 3 s (the CI smoke run)
#   scripts/fuzz.sh --runs 1000000 shelf_file   one target for a million executions
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

limit=(-max_total_time=60)
targets=()
while (($#)); do
    case $1 in
        --seconds) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        -h | --help) sed -n '2,13p' "$0"; exit 0 ;;
        -*) echo "usage: scripts/fuzz.sh [--seconds N | --runs N] [TARGET...]" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
if ((${#targets[@]} == 0)); then
    for dir in fuzz/*/corpus; do targets+=("$(basename "$(dirname "$dir")")"); done
fi

build="build-fuzz"
cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUENDA_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers -j"${FUZZ_JOBS:-2}"

# Every sanitizer report ends the run; leaks are looked for after every input.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for target in "${targets[@]}"; do
    binary=$build/fuzz/fuzz_$target
    if [[ ! -x $binary || ! -d fuzz/$target/corpus ]]; then
        echo "no fuzz target named $target" >&2
        exit 2
    fi
    mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
    log=$build/artifacts/$target/last-run.log
    echo "==> $target"
    # stderr of the code under test is closed (the settings reader says every damaged file it
    # sees); libFuzzer's and the sanitizers' reports still reach the log.
    status=0
    "$binary" "${limit[@]}" -timeout=10 -close_fd_mask=2 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target/" \
        "$build/corpus/$target" "fuzz/$target/corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    if ((status)); then
        failed+=("$target")
        grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" >&2 || true
        echo "    FAULT: see $log" >&2
    fi
    summary+=("$(printf '%-20s %12s executions %6s s  %s' "$target" "${runs:-?}" \
        "${seconds:-?}" "$( ((status)) && echo FAULT || echo ok)")")
done

printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
    echo "fuzz targets with faults: ${failed[*]}" >&2
    exit 1
fi
