#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded time
# on a scratch copy of its seed corpus, so the committed seeds stay as they are. Any crash,
# leak, time-out or sanitizer report fails the script; its input is kept under
# build-fuzz/artifacts/. Usage: scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(fuzz_clickscript fuzz_serverfilelist fuzz_offlinelabeltext)

scripts/install-deps.sh test
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$(command -v clang++-14)" -DQUORVANE_FUZZ=ON \
    -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCHMARKS=OFF
cmake --build build-fuzz --target "${targets[@]}"

export ASAN_OPTIONS=halt_on_error=1:print_stacktrace=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt:print_suppressions=0"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
for target in "${targets[@]}"; do
    cp -r "fuzz/corpus/$target" "$scratch/$target"
    artifacts="build-fuzz/artifacts/$target/"
    log="build-fuzz/$target.log"
    mkdir -p "$artifacts"
    # One input running for 25 s is a hang worth reporting, not a slow machine.
    if "build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 \
        -artifact_prefix="$artifacts" "$scratch/$target" >"$log" 2>&1; then
        verdict=passed
    else
        verdict=FAILED
        failures=$((failures + 1))
        tail -n 60 "$log" >&2
    fi
    runs=$(sed -n 's/^Done \([0-9]*\) runs in .*/\1/p' "$log")
    echo "$target: $verdict, ${runs:-no} runs in ${seconds} s (log: $log)"
done
exit $((failures > 0))
