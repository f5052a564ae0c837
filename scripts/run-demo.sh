#!/usr/bin/env bash
# Installs what is needed, builds the panel, writes the demo interface and runs the panel on it,
# with the demo's lights controller (scripts/demo-peer.py) answering on 127.0.0.1 beside it; the
# controller stops when the panel ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=${NERULAN_DEMO_PORT:-50361}
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target nerulan make-demo
build/make-demo demo "$port"

python3 "$root/scripts/demo-peer.py" "$port" &
peer=$!
stop_peer() { kill -TERM "$peer" 2>/dev/null || true; wait "$peer" 2>/dev/null || true; }
trap stop_peer EXIT
# The panel connects at start (and only tries again 20 s later): the controller listens first.
for _ in $(seq 50); do
  python3 -c "import socket,sys; s=socket.socket(); s.settimeout(0.2); sys.exit(s.connect_ex(('127.0.0.1', $port)))" \
    2>/dev/null && break
  kill -0 "$peer" 2>/dev/null || { echo "the demo's lights controller did not start" >&2; exit 1; }
  sleep 0.1
done

cd demo
status=0
../build/nerulan Main.qvr "$@" || status=$?
exit "$status"
