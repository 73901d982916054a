#!/usr/bin/env bash
# Makes res/101.bmp .. res/105.bmp again: shows tests/speechpage in Chromium on
# a private Xvfb, exactly as the tests do, and cuts the pictures out of the
# screen. The rectangles are the places the page gives its pictures.
#   tools/cut-bitmaps.sh [BUILD_DIR]    (default: build, with tools/cut-bitmaps built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cutter=${1:-$root/build}/tools/cut-bitmaps
[ -x "$cutter" ] || { echo "$cutter is missing: build the project first" >&2; exit 1; }
rectangles=(101:60,40,45,38 103:60,100,130,68 102:60,450,37,27 104:440,186,37,27 105:490,186,37,27)

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -- -"$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

setsid /usr/bin/Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" \
  >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

mapfile -t flags < "$root/tests/speechpage/chromium-flags"
setsid /usr/bin/chromium "${flags[@]}" --user-data-dir="$work/profile" \
  "file://$root/tests/speechpage/index.html" >/dev/null 2>&1 &
pids+=($!)

mkdir "$work/try"
for _ in $(seq 120); do
  "$cutter" "$work/try" "${rectangles[@]}" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 2  # let the page settle after its first paint
"$cutter" "$root/res" "${rectangles[@]}"
