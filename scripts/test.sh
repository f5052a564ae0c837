#!/usr/bin/env bash
# Installs what is needed, then builds and runs the whole test suite twice: an optimised build
# and a build with AddressSanitizer and UndefinedBehaviorSanitizer (any report fails the run);
# then builds the fuzz targets with clang and runs each briefly from its seeds and kept finds
# (any find fails the run). Longer fuzz runs: scripts/fuzz-long.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# No layer includes one above it (or beside it): checked before anything is built.
bash scripts/check-layers.sh

jobs=$(nproc)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest -j"$jobs" --output-on-failure --timeout 600)
}

echo "== optimised build =="
run_suite build -DCMAKE_BUILD_TYPE=Release
echo "== sanitizer build (ASan + UBSan) =="
run_suite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_SANITIZE=ON -DNERULAN_BENCH=OFF
echo "== fuzz targets, short run (clang, libFuzzer + ASan + UBSan) =="
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNERULAN_FUZZ=ON -DNERULAN_TESTS=OFF -DNERULAN_BENCH=OFF
cmake --build build-fuzz -j"$jobs"
# About 25 s of fuzzing a target, the targets side by side.
bash scripts/fuzz-run.sh build-fuzz "${NERULAN_FUZZ_SECONDS:-25}" "$jobs"
