#!/usr/bin/env bash
# Installs what is needed, builds the panel, writes the demo interface and runs the panel on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target nerulan make-demo
build/make-demo demo
cd demo
exec ../build/nerulan Main.qvr "$@"
