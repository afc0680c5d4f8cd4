#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and
# runs the test suites there under a private X server. The first report of either ends the
# process, so it fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

# Benchmarks are left out: they are not run here, and one wraps malloc itself.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_SANITIZE=ON -DQUORVANE_BUILD_BENCHMARKS=OFF
cmake --build build-asan

export ASAN_OPTIONS=halt_on_error=1:print_stacktrace=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt:print_suppressions=0"

# Runs a Qt Test suite with all its cases but the given ones (function or function:tag).
run_suite_without() {
    local suite=$1
    shift
    local cases=() function tag name
    while read -r _ function tag; do
        name=$function${tag:+:$tag}
        [[ " $* " == *" $function "* || " $* " == *" $name "* ]] || cases+=("$name")
    done < <("$suite" -datatags 2>/dev/null)
    "$suite" "${cases[@]}"
}

status=0
# The x11 timing suites stay in: with ASan their holds and gaps still met the 5 ms tolerance,
# 3 runs of each beside 3 of the normal build, at a load of 5 to 6 on 2 cores.
# The package suites are left out: a sanitized program is not what we ship, its .deb rightly
# depends on the sanitizer runtimes, and it must not be installed on the machine.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir build-asan --output-on-failure --timeout 600 -j2 -LE package \
    -E '^(tst_savedscripts|tst_welcomecontent)$' || status=1

# Two volume cases cannot finish under ASan: Qt grows the buffer of QTextStream::readAll and
# of the settings file in small realloc steps, which glibc extends in place but ASan's
# allocator copies every time, so the 50 MB script and the million names took over the
# 300 s case limit (3 s in the normal build, where they keep running). Both suites are
# offscreen widget suites; every other case of theirs runs here.
export QT_QPA_PLATFORM=offscreen
run_suite_without build-asan/tests/clicker/tst_savedscripts \
    "oddContentLoadsAndStays:50 MB of script lines" || status=1
run_suite_without build-asan/tests/welcome/tst_welcomecontent millionNames || status=1
exit $status
