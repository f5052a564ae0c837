#!/usr/bin/env bash
# The link-fault soak: the whole panel with one device of every network and serial driver family,
# each against a peer that misbehaves at random (scripts/chaos-peer.py: loopback, broadcast, or a
# pseudo-terminal as COMn that it hangs up now and then), for SECONDS (default 600), with the PRNG
# seeded with SEED (default 1). It runs in a network namespace of its own when the kernel permits
# one (unshare -n); otherwise the broadcast families are left out, with a message.
# Prints the longest gap between two ticks, how often the transports' send rule fired and which
# gaps it explains, the growth of the resident memory after the warm-up and what each device went
# through, and fails when a tick waited more than 20 ms for anything but a stalled link's send or
# the machine, the memory grew by more than 1 MB, a TCP device never reconnected, a UDP device
# was never heard, or a serial port was never opened again after a hang-up.
#
# Telling the waits apart: every device call and interface call of a tick is timed on its own;
# with the 5 ms sleep they are the panel's share of a gap. The rest is the machine's: the tick
# thread's run-queue wait (/proc/thread-self/schedstat), a sleep that ended late, and time counted
# as running outside every call of the panel's (a virtual machine's core taken away by its host).
# A gap is a stalled send's when the device calls that waited for sends took the panel's share
# beyond 20 ms, each lasting from one of the transport's 100 ms send waits to its whole second,
# while the peer was not reading that device's connection (the peer reports those windows).
#
#     scripts/soak.sh [SECONDS] [SEED] [--tsan]
#
# --tsan runs the same in a ThreadSanitizer build (build-tsan, as scripts/tsan.sh makes it); any
# report fails the run. The tick-gap and memory limits then only are printed: the sanitizer slows
# every memory access and keeps its own shadow memory.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
seed=1
tsan=0
positional=()
for argument in "$@"; do
  case "$argument" in
    --tsan) tsan=1 ;;
    *) positional+=("$argument") ;;
  esac
done
[ "${#positional[@]}" -ge 1 ] && seconds=${positional[0]}
[ "${#positional[@]}" -ge 2 ] && seed=${positional[1]}

jobs=$(( $(nproc) > 6 ? 6 : $(nproc) ))
if [ "$tsan" = 1 ]; then
  build=build-tsan
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNERULAN_TSAN=ON -DNERULAN_BENCH=OFF >/dev/null
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"
  strict=0
else
  build=build
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNERULAN_BENCH=OFF >/dev/null
  strict=1
fi
cmake --build "$build" -j"$jobs" --target test_soak

NERULAN_SOAK_SECONDS=$seconds NERULAN_SOAK_SEED=$seed NERULAN_SOAK_STRICT=$strict \
  "$build/test_soak" --gtest_filter='LinkFaultSoak.*'
