#!/usr/bin/env bash
# Configures, builds and runs every test: unit, contract and end-to-end. Tests that need
# X start their own private Xvfb, so this needs no display and no running session.
#
#   scripts/test.sh            build/ (RelWithDebInfo)
#   scripts/test.sh --asan     build-asan/ with AddressSanitizer and UBSan
#   scripts/test.sh [--asan] -- CTEST ARGS...   e.g. -- -L e2e
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build_dir=build
config=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_args=()
while (($#)); do
    case $1 in
        --asan)
            build_dir=build-asan
            config=(-DCMAKE_BUILD_TYPE=Debug -DQUENDA_ASAN=ON)
            shift
            ;;
        --) shift; ctest_args=("$@"); break ;;
        *) echo "usage: scripts/test.sh [--asan] [-- CTEST ARGS...]" >&2; exit 2 ;;
    esac
done

if [[ $build_dir == build-asan ]]; then
    # Leaks in Qt's and fontconfig's one-time allocations are not ours; real errors still fail.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi

# -j2: the CI machine has two cores and the end-to-end tests run their own X servers.
cmake -G Ninja -S . -B "$build_dir" "${config[@]}"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" --output-on-failure -j2 "${ctest_args[@]}"
