#!/usr/bin/env bash
# Installs what is needed, builds, lays out a sample venue in ./venue and runs
# the display there against the stand-in viewer, in this terminal. The space
# bar cuts the current pause short; Ctrl-C ends the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DBILLORA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target billora mdbwrite kivo-standin
venue=$PWD/venue
rm -rf "$venue"
tools/make-venue.sh "$venue" build
# A private socket: a real viewer of this user, if one runs, is left alone.
export KIVO_SOCKET=$venue/kivo_communication
build/tools/kivo-standin --socket "$KIVO_SOCKET" --trace "$venue/viewer-trace.jsonl" \
  --run-time 4000 &
viewer=$!
trap 'kill $viewer 2>/dev/null; wait $viewer 2>/dev/null' EXIT
"$venue/billora"
