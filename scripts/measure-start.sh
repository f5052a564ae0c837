#!/usr/bin/env bash
# Measures the panel's start on the demo: the time from launch until the start page is on the
# screen, and the CPU time the process used by then (every thread, all of user and system), per
# record of the interface file. Each binary given runs in turn on an X server of its own (Xvfb)
# with OpenAL Soft's null output, the runs alternating, and the median of the runs is reported.
#
#   scripts/measure-start.sh [-n runs] [binary ...]
#
# Defaults: 5 runs, build/nerulan. The start page is taken as shown when the demo's Home
# background colour appears at a point the Loading page never paints.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=5
while getopts "n:" option; do
  case $option in
    n) runs=$OPTARG ;;
    *) echo "usage: $0 [-n runs] [binary ...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
# shellcheck source=scripts/measure-common.sh
. "$root/scripts/measure-common.sh"
measure_binaries "$@"

work=$(mktemp -d /tmp/nerulan-start.XXXXXX)
pid=
xpid=
peerpid=
cleanup() {
  # Only the processes started here, by their ids.
  [ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true
  [ -z "$xpid" ] || kill -TERM "$xpid" 2>/dev/null || true
  [ -z "$peerpid" ] || kill -TERM "$peerpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Not in a command substitution: the peer's pid has to reach the cleanup.
measure_demo >"$work/made"
records=$(sed -nE 's/.*\(([0-9]+) records\).*/\1/p' "$work/made")
[ -n "$records" ] || { echo "make-demo did not say how many records it wrote" >&2; exit 1; }

measure_xvfb "$work/display"
xpid=$!
display=$(measure_display "$work/display")
hz=$(getconf CLK_TCK)

# One start: prints "<ms to the start page> <CPU ms by then>".
measure_once() {
  local binary=$1 start window="" geometry x y seen="" cpu now
  start=$(date +%s%N)
  (cd "$work/demo" && DISPLAY=$display SDL_VIDEODRIVER=x11 ALSOFT_DRIVERS=null \
    exec "$binary" Main.qvr >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 400); do
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Nerulan' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.01
  done
  [ -n "$window" ] || { echo "no window" >&2; return 1; }
  geometry=$(DISPLAY=$display xdotool getwindowgeometry "$window")
  x=$(echo "$geometry" | sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\1/p')
  y=$(echo "$geometry" | sed -nE 's/.*Position: ([0-9]+),([0-9]+).*/\2/p')
  for _ in $(seq 2000); do
    seen=$(DISPLAY=$display import -window root -crop "1x1+$((x + 10))+$((y + 100))" -depth 8 rgb:- 2>/dev/null |
      od -An -tx1 | tr -d ' \n')
    [ "$seen" = "1b2a3a" ] && break
    sleep 0.005
  done
  now=$(date +%s%N)
  [ "$seen" = "1b2a3a" ] || { echo "the start page did not appear" >&2; return 1; }
  # utime + stime of the whole process (fields 14 and 15 of its stat, after the name).
  cpu=$(sed -E 's/^[0-9]+ \(.*\) //' /proc/"$pid"/stat | awk -v hz="$hz" '{ print ($12 + $13) * 1000 / hz }')
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  echo "$(((now - start) / 1000000)) $cpu"
}

for ((run = 0; run < runs; run++)); do
  for i in "${!binaries[@]}"; do
    measure_once "${binaries[$i]}" >>"$work/runs$i"
  done
done

for i in "${!binaries[@]}"; do
  echo "== ${binaries[$i]} ($runs runs, $records records) =="
  sort -n -k1 "$work/runs$i" | awk '{ t[NR] = $1 } END { printf "  start page on screen after %d ms (median)\n", t[int((NR + 1) / 2)] }'
  sort -n -k2 "$work/runs$i" | awk -v r="$records" '{ c[NR] = $2 }
    END { m = c[int((NR + 1) / 2)]; printf "  CPU by then %.0f ms (median), %.2f ms per record\n", m, m / r }'
done
