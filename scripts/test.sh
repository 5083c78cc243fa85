#!/usr/bin/env bash
# Installs what is missing, configures, builds with warnings as errors, and runs every test
# (the ones that need a display under a virtual X server). Then, unless ZELVOR_CI_RAPIDE=1:
#   - the whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   - the threaded tests built with ThreadSanitizer;
#   - a short run of each fuzz target (ZELVOR_FUZZ_SECONDES each, 60 by default).
# Any sanitizer report fails the test that made it, and so the run. Build directories:
# $ZELVOR_BUILD_DIR (build-ci by default), then the same name with -asan, -tsan and -fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
racine=$PWD

scripts/installer-dependances.sh

build=${ZELVOR_BUILD_DIR:-build-ci}
debut=$SECONDS
etape() { echo "=== $* (at $((SECONDS - debut)) s)"; }
xvfb() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }

etape "build and test"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVOR_WERROR=ON
cmake --build "$build" -j2
(cd "$build" && xvfb ctest --output-on-failure -j2)

if [ "${ZELVOR_CI_RAPIDE:-0}" = 1 ]; then
    echo "ZELVOR_CI_RAPIDE=1: sanitizer and fuzzing stages skipped"
    exit 0
fi

# A failing test's stack comes from the sanitizer; Qt Test's own attempt (gdb) only adds time.
export QTEST_DISABLE_STACK_DUMP=1

etape "AddressSanitizer and UndefinedBehaviorSanitizer: every test"
CC=gcc CXX=g++ cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVOR_SANITIZE=address,undefined -DZELVOR_BENCH=OFF
cmake --build "$build-asan" -j2
# Mesa unloads its driver when the last display connection closes, before the leak check at
# exit; the driver's allocations would then have no module name for lsan.supp to match.
# Preloading the driver keeps it mapped. The sanitizer's runtime must come first in the list.
prechargement=$(g++ -print-file-name=libasan.so)
pilote=/usr/lib/$(gcc -print-multiarch)/dri/swrast_dri.so
[ -f "$pilote" ] && prechargement="$prechargement $pilote"
(cd "$build-asan" && xvfb env LD_PRELOAD="$prechargement" \
    ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
    LSAN_OPTIONS="suppressions=$racine/scripts/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j2)

# Only the tests without a window: Debian's Qt and Mesa are not built for ThreadSanitizer, so
# the event queue's locks, the D-Bus and pool threads of Qt and the rasteriser's threads are
# invisible to it. Every windowed test then reports inside those libraries, and the only
# suppressions that silence them (called_from_lib) also hide the start of every QThread.
# These two cover the workers, the serial link and the simulator's thread (test_threads runs
# the robot side against it) with real I/O.
etape "ThreadSanitizer: threaded tests"
tsan_tests='test_threads|test_liaisonserie'
CC=gcc CXX=g++ cmake -S . -B "$build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVOR_SANITIZE=thread -DZELVOR_BENCH=OFF
cmake --build "$build-tsan" -j2 --target ${tsan_tests//|/ }
(cd "$build-tsan" &&
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$racine/scripts/tsan.supp" \
        ctest --output-on-failure -j2 -R "^($tsan_tests)\$")

etape "fuzzing: ${ZELVOR_FUZZ_SECONDES:-60} s a target"
CC=clang CXX=clang++ cmake -S . -B "$build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVOR_SANITIZE=fuzzer-no-link,address,undefined -DZELVOR_FUZZ=ON \
    -DZELVOR_TESTS=OFF -DZELVOR_BENCH=OFF
cmake --build "$build-fuzz" -j2 --target fuzz_listing fuzz_osc
for cible in listing osc; do
    # New inputs go to the build directory; the seeds in the repository stay as they are.
    travail="$build-fuzz/corpus-$cible"
    journal="$build-fuzz/fuzz_$cible.log"
    mkdir -p "$travail"
    if ! "$build-fuzz/fuzz/fuzz_$cible" "$travail" "fuzz/corpus/$cible" \
        -max_total_time="${ZELVOR_FUZZ_SECONDES:-60}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build-fuzz/crash-$cible-" >"$journal" 2>&1; then
        tail -n 80 "$journal"
        echo "fuzz_$cible failed; the input is in $build-fuzz/crash-$cible-*"
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$journal"
done

etape "all stages passed"
