#!/usr/bin/env bash
# Damaged copies of the demo through the real start-up and loader, under AddressSanitizer and
# UndefinedBehaviorSanitizer: builds build-asan (make-demo, mutate-demo), writes the demo, then
# makes COUNT copies whose interface file, resource pack or both are damaged from SEED, and loads
# each headless in a process of its own with a time-out.
#
#   scripts/mutate-demo.sh [COUNT=1000] [SEED=1]
#
# Environment: JOBS (copies at a time, default 4), TIMEOUT_MS (processor time a copy may use,
# default 10000; see fuzz/support/ChildRun.h).
# Each copy must end in a start-up failure text or a (partial) load. Exit code 1 when any copy
# crashed, drew a sanitizer report or a leak, did not finish loading, or ran past its time-out.
# Faulty copies are kept in build-asan/mutate-run/failures/<copy>-<verdict>/ with their log;
# `build-asan/mutate-demo --one FOLDER` runs one of them again. Keep each find as
# fuzz/regress/interface_file/<what-it-did>.qvr (or resource_pack/) once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-1000}
seed=${2:-1}
jobs=${JOBS:-4}
timeout_ms=${TIMEOUT_MS:-10000}
build=build-asan

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_SANITIZE=ON -DNERULAN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target make-demo mutate-demo

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

out=$build/mutate-run
"$build/make-demo" "$out/demo"
"$build/mutate-demo" "$out/demo" "$out" --count "$count" --seed "$seed" --jobs "$jobs" --timeout-ms "$timeout_ms"
