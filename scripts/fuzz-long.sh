#!/usr/bin/env bash
# Long fuzz runs: builds the fuzz targets (clang, build-fuzz) and runs each for N minutes, all at
# once or PARALLEL at a time; prints per target the executions, the coverage and the finds.
#
#   scripts/fuzz-long.sh [MINUTES_PER_TARGET=10] [PARALLEL=4] [TARGET...]
#
# The corpus grows in build-fuzz/fuzz-corpus/ from run to run; finds are in build-fuzz/fuzz-finds/.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
parallel=${2:-4}
shift $(( $# >= 2 ? 2 : $# ))

CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNERULAN_FUZZ=ON -DNERULAN_TESTS=OFF -DNERULAN_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(( $(nproc) > 6 ? 6 : $(nproc) ))"
exec bash scripts/fuzz-run.sh build-fuzz $(( minutes * 60 )) "$parallel" "$@"
