#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build (NERULAN_FUZZ=ON) for a while, seeded from
# fuzz/corpus/<target>/ and fuzz/regress/<target>/, and reports per target the executions, the
# coverage and the finds.
#
#   scripts/fuzz-run.sh BUILD_DIR SECONDS_PER_TARGET [PARALLEL] [TARGET...]
#
# New inputs go to BUILD_DIR/fuzz-corpus/<target>/ (kept between runs), finds to
# BUILD_DIR/fuzz-finds/<target>/. After a find the target starts again until its time is used,
# so a long run reports every find, not only the first. Exit code 1 when anything was found
# (a crash, a sanitizer report, a leak, more than 2 GB, or an input running past 10 s); inputs
# slower than libFuzzer's 10 s report threshold but within the time-out are listed only.
# Keep each find as fuzz/regress/<target>/<what-it-did>.<ext> once it is mended.
set -uo pipefail
cd "$(dirname "$0")/.."

build=$(cd "${1:?build folder of a fuzz build}" && pwd)
seconds=${2:?seconds per target}
parallel=${3:-1}
shift $(( $# >= 3 ? 3 : $# ))

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:allocator_may_return_null=0"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/fuzz/fuzz_*; do
    [ -x "$program" ] && targets+=("$(basename "$program" | sed 's/^fuzz_//')")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz (configure with -DNERULAN_FUZZ=ON)" >&2
  exit 1
fi

# One target for its whole time: runs again after each find until the time is used.
run_target() {
  local target=$1
  local program=$build/fuzz/fuzz_$target
  local corpus=$build/fuzz-corpus/$target finds=$build/fuzz-finds/$target
  local log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus" "$finds" "$(dirname "$log")"
  : > "$log"
  local seeds=()
  for dir in fuzz/corpus/$target fuzz/regress/$target; do
    [ -d "$dir" ] && seeds+=("$PWD/$dir")
  done
  local end=$(( $(date +%s) + seconds ))
  local execs=0
  while :; do
    local left=$(( end - $(date +%s) ))
    [ "$left" -le 0 ] && break
    "$program" -max_total_time="$left" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=2048 \
      -max_len=262144 -print_final_stats=1 -artifact_prefix="$finds/" \
      "$corpus" "${seeds[@]}" > "$log.run" 2>&1
    local code=$?
    local ran
    ran=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log.run" | tail -1 | awk '{print $2}')
    [ -n "$ran" ] && execs=$(( execs + ran ))
    cat "$log.run" >> "$log"
    rm -f "$log.run"
    # Ends without a find: the time is up.
    [ "$code" -eq 0 ] && break
    # Ended early without writing a find (a broken program): no point starting it again.
    [ -z "$(ls -A "$finds")" ] && { echo "fuzz_$target ended with code $code" >> "$log"; break; }
  done
  local coverage
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  local count slow
  count=$(find "$finds" -type f ! -name 'slow-unit-*' | wc -l)
  slow=$(find "$finds" -type f -name 'slow-unit-*' | wc -l)
  printf '%-22s execs %-10s %-22s finds %s  slow inputs %s\n' "$target" "$execs" "${coverage:-cov: ?}" \
    "$count" "$slow" > "$build/fuzz-logs/$target.summary"
}

mkdir -p "$build/fuzz-logs"
running=0
for target in "${targets[@]}"; do
  rm -rf "$build/fuzz-finds/$target"
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
for target in "${targets[@]}"; do
  cat "$build/fuzz-logs/$target.summary"
  for find in "$build/fuzz-finds/$target"/*; do
    [ -e "$find" ] || continue
    # An input slower than 10 s is worth a look but no failure; past -timeout it is one.
    case "$(basename "$find")" in
      slow-unit-*) echo "  slow input: $find" ;;
      *) status=1; echo "  find: $find" ;;
    esac
  done
done
if [ "$status" -ne 0 ]; then
  echo "fuzzing found inputs that fail; logs in $build/fuzz-logs/" >&2
  for target in "${targets[@]}"; do
    if [ -n "$(find "$build/fuzz-finds/$target" -type f ! -name 'slow-unit-*' 2>/dev/null)" ]; then
      grep -m1 -A25 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|SUMMARY' \
        "$build/fuzz-logs/$target.log" >&2 || true
    fi
  done
fi
exit "$status"
