#!/usr/bin/env bash
# Installs everything the panel, its tests and its benchmarks need on Debian 12.
# Idempotent: packages already present are left as they are.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config git
  # run-time libraries
  libsdl2-dev libfreetype-dev libfreeimage-dev libopenal-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev libpixman-1-dev libmpg123-dev
  # test peers: display, fonts, sound tools, images
  xvfb xdotool x11-utils imagemagick fonts-liberation
  sox lame twolame mpg123 ffmpeg
  socat
  # protocol peers for the drivers' tests, fake local time, fuzzing
  knxd knxd-tools libmodbus-dev nginx faketime iproute2 python3
  clang-14 libclang-rt-14-dev llvm-14
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
