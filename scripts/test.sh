#!/usr/bin/env bash
# Sets up, builds and runs every test. GUI tests run offscreen; the docking test needs a real
# X server, so the whole suite runs under Xvfb. Then the same suite again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, and each libFuzzer target for a bounded time.
#
# FUZZ_SECONDS (default 60) is the time each fuzzer runs; SANITIZERS=0 / FUZZ=0 leave those
# stages out when running by hand.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
asan_build=${ASAN_BUILD_DIR:-$top/build-asan}
fuzz_build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
fuzz_seconds=${FUZZ_SECONDS:-60}
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")

"$top/scripts/setup.sh"
QUORVANE_WERROR=ON BUILD_DIR="$build" "$top/scripts/build.sh"
(cd "$build" && "${xvfb[@]}" ctest --output-on-failure -j"$(nproc)")

if [ "${SANITIZERS:-1}" != 0 ]; then
    echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    mkdir -p "$asan_build"
    c++ -O1 -c "$top/scripts/sanitizer_defaults.cpp" -o "$asan_build/sanitizer_defaults.o"
    BUILD_DIR="$asan_build" "$top/scripts/build.sh" \
        -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
        -DCMAKE_EXE_LINKER_FLAGS="$asan_build/sanitizer_defaults.o"
    (
        cd "$asan_build"
        export ASAN_OPTIONS=detect_leaks=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        "${xvfb[@]}" ctest --output-on-failure -j"$(nproc)" --timeout 1200
    )
fi

if [ "${FUZZ:-1}" != 0 ]; then
    echo "== Fuzzers, ${fuzz_seconds} s each"
    BUILD_DIR="$fuzz_build" "$top/scripts/build.sh" -DCMAKE_CXX_COMPILER=clang++ \
        -DQUORVANE_FUZZ=ON -DQUORVANE_GUI=OFF -DQUORVANE_TESTS=OFF
    for target in fuzz_exchange_export fuzz_dbf fuzz_hora; do
        work="$fuzz_build/fuzz-runs/$target"
        rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
        echo "-- $target"
        # The seeds are read, never written: new inputs go to the run's own corpus folder.
        if ! ASAN_OPTIONS=detect_leaks=1 "$fuzz_build/bin/$target" \
            -max_total_time="$fuzz_seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
            -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
            "$work/corpus" "$top/fuzz/corpus/$target" >"$work/log.txt" 2>&1; then
            tail -n 60 "$work/log.txt"
            echo "FAILED: $target found a crash; its input is in $work/artifacts/" >&2
            exit 1
        fi
        grep -E '^(Done|stat::number_of_executed_units)' "$work/log.txt" || true
    done
    echo "All three fuzzers ran without a crash."
fi
