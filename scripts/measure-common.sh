# What measure-start.sh and measure-idle.sh share; sourced by them (after they set `root` to the
# repository and `work` to their temporary folder), never run by itself.

# Sets `binaries` to the binaries given as absolute paths (build/nerulan when none is given) and
# `makedemo` to the demo writer; stops the script when one of them is not built.
measure_binaries() {
  binaries=("$@")
  [ ${#binaries[@]} -gt 0 ] || binaries=("$root/build/nerulan")
  makedemo=${MAKE_DEMO:-$root/build/make-demo}
  local i
  for i in "${!binaries[@]}"; do
    [ -x "${binaries[$i]}" ] || { echo "not built: ${binaries[$i]}" >&2; exit 1; }
    binaries[$i]=$(realpath "${binaries[$i]}")
  done
  [ -x "$makedemo" ] || { echo "not built: $makedemo" >&2; exit 1; }
}

# Starts the demo's lights controller, as run-demo.sh does, on a port of its own (sets `peerpid`),
# then writes the demo for that port into $work/demo; make-demo's report goes to stdout.
measure_demo() {
  python3 "$root/scripts/demo-peer.py" 0 >"$work/peerport" 2>/dev/null &
  peerpid=$!
  for _ in $(seq 50); do [ -s "$work/peerport" ] && break; sleep 0.1; done
  (cd "$work" && "$makedemo" demo "$(head -1 "$work/peerport")")
}

# Starts an X server of its own in the background: Xvfb picks a free display itself and writes
# its number to the file given. The caller keeps the pid ($!) to end it.
measure_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$1" >/dev/null 2>&1 &
}

# Prints the display (":N") that the X server started with measure_xvfb FILE wrote, once it has.
measure_display() {
  for _ in $(seq 50); do [ -s "$1" ] && break; sleep 0.1; done
  echo ":$(head -1 "$1")"
}
