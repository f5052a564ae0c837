#!/usr/bin/env bash
# Measures what the panel costs while it shows the demo's start page and nothing happens: the CPU
# time of each of its threads over a window, read from /proc/<pid>/task/*/schedstat, as a share of one
# core. Each binary given runs at the same time as the others, on an X server of its own (Xvfb)
# and with OpenAL Soft's null output, so that a before and an after meet the same machine load.
#
#   scripts/measure-idle.sh [-t seconds] [-w warm-up seconds] [binary ...]
#
# The demo's lights controller (scripts/demo-peer.py) answers on 127.0.0.1 as in run-demo.sh.
# Defaults: 60 s window, 5 s warm-up (loading and the first drawing), build/nerulan. The threads
# are named from their stacks (gdb, after the window, when it is installed): "tick", "sound-out"
# (the panel's sound output), "main", "openal" (the sound library's own threads), "link" (a
# device's transport worker), or the first function of the panel found on the stack.
#
# Beside them runs a reference in the same window: a process that does nothing but sleep 5 ms
# over and over, as the tick thread does between ticks. What it costs is what 200 sleeps and
# wakes a second cost on this machine (the kernel's part, large in a virtual machine), the floor
# below which a tick of 5 ms cannot go; "tick above the floor" is the tick's own work.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

window=60
warmup=5
while getopts "t:w:" option; do
  case $option in
    t) window=$OPTARG ;;
    w) warmup=$OPTARG ;;
    *) echo "usage: $0 [-t seconds] [-w seconds] [binary ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
# shellcheck source=scripts/measure-common.sh
. "$root/scripts/measure-common.sh"
measure_binaries "$@"

work=$(mktemp -d /tmp/nerulan-idle.XXXXXX)
pids=()
xpids=()
floorpid=
peerpid=
cleanup() {
  # Only the processes started here, by their ids.
  [ -z "$floorpid" ] || kill -TERM "$floorpid" 2>/dev/null || true
  [ -z "$peerpid" ] || kill -TERM "$peerpid" 2>/dev/null || true
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  sleep 1
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  for pid in "${xpids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

measure_demo >/dev/null

for i in "${!binaries[@]}"; do
  measure_xvfb "$work/display$i"
  xpids+=($!)
done
for i in "${!binaries[@]}"; do
  display=$(measure_display "$work/display$i")
  (cd "$work/demo" && DISPLAY=$display SDL_VIDEODRIVER=x11 ALSOFT_DRIVERS=null \
    exec "${binaries[$i]}" Main.qvr >"$work/log$i" 2>&1) &
  pids+=($!)
done

# The reference: 5 ms sleeps in a loop (nanosleep, as the tick's sleep).
perl -MTime::HiRes=usleep -e 'usleep(5000) while 1' &
floorpid=$!

# Run time of every thread in ns and the times it was put on a core, from the scheduler's own
# account (schedstat): exact, where utime and stime only count in clock ticks of 10 ms.
snapshot() {
  local pid=$1 task
  for task in /proc/"$pid"/task/*; do
    [ -r "$task/schedstat" ] || continue
    echo "${task##*/} $(cat "$task/schedstat" 2>/dev/null)" | awk 'NF >= 4 {print $1, $2, $4}'
  done | sort
}

label_threads() {
  local pid=$1
  command -v gdb >/dev/null || return 0
  timeout 60 gdb -p "$pid" -batch -ex "thread apply all bt 12" 2>/dev/null | awk '
    /^Thread / { match($0, /LWP [0-9]+/); tid = substr($0, RSTART + 4, RLENGTH - 4); next }
    /^#/ && tid != "" && !(tid in name) {
      if ($0 ~ /TickThreadProc/) name[tid] = "tick"
      else if ($0 ~ /OpenALOutput::ThreadProc/) name[tid] = "sound-out"
      else if ($0 ~ /RunEventLoop| main \(/) name[tid] = "main"
      else if ($0 ~ /libopenal/) name[tid] = "openal"
      else if ($0 ~ /CAbstractTransport::WorkerProcedure/) name[tid] = "link"
      else if ($0 ~ /ThreadProc/) { match($0, /[A-Za-z_0-9:]+ThreadProc/); name[tid] = substr($0, RSTART, RLENGTH) }
    }
    END { for (t in name) print t, name[t] }' | sort
}

sleep "$warmup"
for i in "${!binaries[@]}"; do snapshot "${pids[$i]}" >"$work/before$i"; done
snapshot "$floorpid" >"$work/floorbefore"
start=$(date +%s.%N)
sleep "$window"
for i in "${!binaries[@]}"; do
  [ -d /proc/"${pids[$i]}" ] || { echo "${binaries[$i]} ended early:" >&2; cat "$work/log$i" >&2; exit 1; }
  snapshot "${pids[$i]}" >"$work/after$i"
done
snapshot "$floorpid" >"$work/floorafter"
elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
floor=$(join "$work/floorbefore" "$work/floorafter" | awk -v s="$elapsed" \
  '{ all += ($4 - $2) / 1e7 / s } END { printf "%.3f", all }')
echo "== reference: a thread that only sleeps 5 ms in a loop: ${floor} % of one core =="

for i in "${!binaries[@]}"; do
  label_threads "${pids[$i]}" >"$work/labels$i" || true
  echo "== ${binaries[$i]} (pid ${pids[$i]}, ${window} s window) =="
  join "$work/before$i" "$work/after$i" | join -a 1 - "$work/labels$i" | awk -v s="$elapsed" -v floor="$floor" '
    {
      share = ($4 - $2) / 1e7 / s; wakes = ($5 - $3) / s; name = NF >= 6 ? $6 : "other"
      per = wakes > 0 ? share * 1e4 / wakes : 0
      printf "  thread %-8s %-10s %6.3f %%  %6.1f runs/s  %6.1f us/run\n", $1, name, share, wakes, per
      all += share
      if (name != "openal") own += share
      if (name != "openal" && name != "sound-out") ownQuiet += share
      if (name == "tick") tick += share
    }
    END {
      printf "  panel threads %.3f %% (without the sound output thread %.3f %%); whole process %.3f %% of one core\n", own, ownQuiet, all
      printf "  tick above the floor %.3f %%; panel threads above the floor %.3f %%\n", tick - floor, own - floor
    }'
done
