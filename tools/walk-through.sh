#!/usr/bin/env bash
# A new venue's first minutes on Linux, from the built .deb and its text
# alone: the package installed into a throwaway root (this machine's own
# billora, if any, is left alone), the sample laid out with the package's own
# billora-sample, the speech page (tests/speechpage in Chromium) and the
# viewer started on a private Xvfb the way the package's user units start
# them (no user manager runs here), the speech pictures cut with
# billora-bitmaps and the regions the texts give, then the display, until
# its first spoken "OK".
# usage: tools/walk-through.sh BUILD_DIR (with the package built by cpack)
set -euo pipefail
source=$(realpath "$(dirname "$0")/..")
build=$(realpath "$1")
deb=$(find "$build" -maxdepth 1 -name 'billora_*.deb' | head -1)
[ -n "$deb" ] || { echo "walk-through: no billora_*.deb in $build"; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "walk-through: $*"
  for log in "$work"/*.log; do echo "== $log"; tail -20 "$log"; done
  exit 1
}

root=$work/root
dpkg -x "$deb" "$root"
venue=$root/opt/billora
"$venue/billora-sample" >"$work/sample.log" || fail "billora-sample failed"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/display")"
export DISPLAY XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# What a unit runs, in the throwaway root: its ExecStart, in its folder.
unit() {
  local file=$root/usr/lib/systemd/user/$1 command folder
  command=$(sed -n 's/^ExecStart=//p' "$file" | sed "s#/opt/billora#$venue#g")
  folder=$(sed -n 's/^WorkingDirectory=//p' "$file" | sed "s#/opt/billora#$venue#g")
  (cd "${folder:-$work}" && exec $command) >"$work/${1%.service}.log" 2>&1 &
  pids+=($!)
}
unit kivo-standin.service
sleep 1
# The browser after the viewer, so that the page stays in front of it.
mkdir "$work/profile"
mapfile -t flags <"$source/tests/speechpage/chromium-flags"
HOME=$work/profile DBUS_SESSION_BUS_ADDRESS=disabled: chromium "${flags[@]}" \
  --user-data-dir="$work/profile" "file://$source/tests/speechpage/index.html" \
  >"$work/chromium.log" 2>&1 &
pids+=($!)

# The regions of the installation text (the README gives the same), cut
# again until the page is drawn: then no warning is allowed.
regions=$(grep -o -- "--delay 5 --icon [0-9].*" "$source/docs/install-windows.txt" | head -1)
[ -n "$regions" ] || fail "no billora-bitmaps command with regions in the installation text"
cut=fail
for _ in $(seq 60); do
  # shellcheck disable=SC2086
  if "$venue/billora-bitmaps" ${regions/--delay 5 /} >"$work/bitmaps.log" 2>&1 &&
     ! grep -q warning "$work/bitmaps.log"; then
    cut=ok
    break
  fi
  sleep 1
done
[ $cut = ok ] || fail "billora-bitmaps did not cut the regions of the text without a warning"

unit billora.service
for _ in $(seq 60); do
  grep -q 'OK' "$work/billora.log" 2>/dev/null && break
  sleep 1
done
grep -q 'SPEAK(Coucou)OK' "$work/billora.log" || fail "no spoken OK"
grep "Speech pictures" "$work/billora.log" || true
echo "walk-through: from $(basename "$deb") to the first spoken OK"
