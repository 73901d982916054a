#!/usr/bin/env bash
# Installs what is needed, builds, lays out a sample venue in ./venue and runs
# the display there against the stand-in viewer, in this terminal. The space
# bar cuts the current pause short; Ctrl-C ends the demo.
#
# With an X display the viewer draws the scenes in a window (KIVO_WINDOW: its
# size, 1280x720 unless set, or "full" for the whole screen) and keeps a
# screenshot of each scene in venue/screens/; without one it prints its
# console lines only.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DBILLORA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target billora billora-sample kivo-standin
venue=$PWD/venue
rm -rf "$venue"
# From 21:00 on, the sample's shows of the day would be over before the demo
# shows them: the sample is then dated from 18:00 of the same day, and the
# display runs on a clock that starts there.
moment=() clock=()
if [ "$(date +%-H)" -ge 21 ]; then
  moment=("$(date +%F) 18:00:00")
  clock=(env LD_PRELOAD="$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')"
         FAKETIME="@${moment[0]}" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1)
fi
tools/make-venue.sh "$venue" build "${moment[@]}"
# A private socket: a real viewer of this user, if one runs, is left alone.
export KIVO_SOCKET=$venue/kivo_communication
viewer_options=(--run-time 4000)
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  size=${KIVO_WINDOW:-1280x720}
  mkdir -p "$venue/screens"
  viewer_options+=(--window="$size" --screens "$venue/screens")
else
  echo "No X display: the viewer prints what it shows instead of drawing it."
fi
build/tools/kivo-standin --socket "$KIVO_SOCKET" --trace "$venue/viewer-trace.jsonl" \
  "${viewer_options[@]}" &
viewer=$!
trap 'kill $viewer 2>/dev/null; wait $viewer 2>/dev/null' EXIT
"${clock[@]}" "$venue/billora"
