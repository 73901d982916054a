#!/usr/bin/env bash
# Runs the real display program against the stand-in viewer for PASSES whole
# passes of the cycle, its sleeps made SOAK_SPEEDUP times shorter (default
# 1000) by the fast-clock preload, and prints the passes, the program's
# resident memory, its open descriptors and the atoms the viewer holds, after
# the first pass and after the last. Not part of the tests: a 1,000-pass run
# takes several minutes.
# usage: tools/soak.sh [PASSES] [BUILD_DIR]   (BUILD_DIR: default build/ of the
# source tree; a relative one is taken from the current folder)
set -euo pipefail
passes=${1:-1000}
build=${2:+$(realpath -m "$2")}
cd "$(dirname "$0")/.."
build=${build:-$PWD/build}
[ -d "$build" ] || cmake -S . -B "$build" -DBILLORA_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target billora kivo-standin billora-sample fast-clock >/dev/null
# Without the preload the program sleeps in real time: a soak of days.
preload=$build/tools/libfast-clock.so
[ -f "$preload" ] || { echo "soak: no preload at $preload"; exit 1; }
preload=$(realpath "$preload")  # as the program's memory map names it

work=$(mktemp -d)
venue=$work/venue
tools/make-venue.sh "$venue" "$build" >/dev/null
# The viewer's trace goes through a pipe to a counter: passes are the VM_STOP
# messages (5692), atoms the registrations not yet deleted at that moment.
mkfifo "$work/trace"
awk -v out="$work/count" '
  /"event":"add_atom"/ { atoms++ }
  /"event":"delete_atom"/ && !/"text":null/ { atoms-- }
  /"number":5692,/ { stops++; print stops, atoms > out; close(out) }
' <"$work/trace" &
counter=$!
export KIVO_SOCKET=$venue/kivo_communication
"$build/tools/kivo-standin" --socket "$KIVO_SOCKET" --trace "$work/trace" --run-time 20 \
  --quiet &
viewer=$!
DISPLAY= LD_PRELOAD=$preload SOAK_SPEEDUP=${SOAK_SPEEDUP:-1000} \
  "$venue/billora" >"$work/console.txt" 2>&1 &
program=$!
trap 'kill $program $viewer 2>/dev/null; wait $program $viewer $counter 2>/dev/null; rm -rf "$work"' EXIT

# "passes N, RSS K KiB, D descriptors, A atoms" once pass N has ended.
report() {
  local done atoms rss fds
  read -r done atoms <"$work/count"
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$program/status")
  fds=$(find "/proc/$program/fd" -mindepth 1 | wc -l)
  echo "passes $done, RSS $rss KiB, $fds descriptors, $atoms atoms"
}

wait_for_pass() {
  local done=0 atoms
  while [ "$done" -lt "$1" ]; do
    kill -0 $program 2>/dev/null || { echo "soak: the program ended"; exit 1; }
    sleep 1
    [ -s "$work/count" ] && read -r done atoms <"$work/count"
  done
}

# A preload that cannot be loaded only costs a line on the console: look for
# it in the program's memory.
for _ in $(seq 50); do
  grep -qF "$preload" "/proc/$program/maps" 2>/dev/null && break
  sleep 0.1
done
grep -qF "$preload" "/proc/$program/maps" 2>/dev/null ||
  { echo "soak: the program runs without $preload"; cat "$work/console.txt"; exit 1; }

started=$(date +%s)
wait_for_pass 1
echo "start: $(report)"
wait_for_pass "$passes"
echo "end:   $(report)"
echo "soak: $(($(date +%s) - started)) s, $(grep -c 'Reading list' "$work/console.txt") reloads," \
  "$(grep -c 'BILLORA 1.5' "$work/console.txt") start(s)"
