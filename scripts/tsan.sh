#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer in build-tsan and runs those of the shared pieces that
# several threads use at once: the queues and the worker-thread controller. Any data race the
# sanitizer reports fails the run. Not part of CI: run it by hand after changing those pieces.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_TSAN=ON -DNERULAN_BENCH=OFF
cmake --build build-tsan -j"$jobs" --target test_common
cd build-tsan
ctest -j"$jobs" --output-on-failure --timeout 600 -R 'AbstractQueue|WorkerThread'
