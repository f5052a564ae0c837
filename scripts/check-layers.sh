#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own or beside it. The layers,
# lowest first (a folder may include its own layer and those listed before it):
#   platform -> common -> sound, render -> devices -> interface -> screen -> app
# sound and render sit side by side: neither includes the other; the devices include of render/
# only the interfaces listed below. tests/, tools/ and bench/ may
# include any layer (what they link is decided in cmake/NerulanTargets.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers each layer may include.
declare -A allowed=(
  [platform]="platform"
  [common]="platform common"
  [sound]="platform common sound"
  [render]="platform common render"
  [devices]="platform common devices"
  [interface]="platform common sound render devices interface"
  [screen]="platform common sound render devices interface screen"
  [app]="platform common sound render devices interface screen app"
)

# Headers of a layer that a layer above may include although it does not link that layer's
# library: interfaces with no code behind them. The devices implement the image fetcher that a
# dynamic image (render/) owns, and link no drawing code.
declare -A interfaces=(
  [devices]="render/ImageFetcher.h"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    rest=${line#*:}
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"$rest")
    [ -n "$target" ] || continue
    case "$target" in
    */*) top=${target%%/*} ;;
    *) continue ;; # a header beside the file
    esac
    # Only the project's own folders are layers; anything else (a system header) is not checked.
    [ -n "${allowed[$top]+x}" ] || continue
    if [[ " ${interfaces[$layer]:-} " == *" $target "* ]]; then
      continue
    fi
    if [[ " ${allowed[$layer]} " != *" $top "* ]]; then
      echo "layer check: $file includes \"$target\" ($layer may include: ${allowed[$layer]})" >&2
      status=1
    fi
  done < <(grep -rH --include='*.h' --include='*.cpp' --include='*.c' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" || true)
done
if [ $status -ne 0 ]; then
  echo "layer check failed: a layer includes one above it or beside it" >&2
fi
exit $status
