#!/usr/bin/env bash
# billora-keeper.exe under Wine: it starts billora.exe beside it, starts it
# again after it was killed from Linux with kill -9 (no handler of its own
# runs then), well within 60 s, and a second keeper for the venue ends at
# once. Then, with a display that fails (failing-display.exe as billora.exe):
# one that hangs is ended once silent for the limit, here shortened to 10 s,
# and one that dies at every start is started again after waits of 1, 2 and
# 4 s. Run by tools/run-windows-tests.sh inside its Wine session.
# usage: tests/windows/keeper.sh WINDOWS_BUILD
set -euo pipefail
windows=$(realpath "$1")
work=$(mktemp -d)
venue="$work/keeper venue"
failing="$work/failing venue"
keeper=""
watcher=""
# The Linux processes of a venue's billora.exe (Wine keeps the Windows
# command line as theirs).
display_pids() {
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -q "${1:-keeper} venue.billora\\.exe" &&
      echo "${p#/proc/}"
  done
  return 0
}
cleanup() {
  for k in $keeper $watcher; do { kill -9 "$k" && wait "$k"; } 2>/dev/null || true; done
  for pid in $(display_pids) $(display_pids failing); do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "keeper: $1"; cat "$work/keeper.txt" 2>/dev/null; exit 1; }
# The first display program, started within this many seconds.
started() {
  for _ in $(seq "$1"); do
    pid=$(display_pids | grep -vx "${2:-0}" | head -1 || true)
    [ -n "$pid" ] && { echo "$pid"; return 0; }
    sleep 1
  done
  return 1
}

mkdir -p "$venue"
cp "$windows/cycle/billora.exe" "$windows/tools/billora-keeper.exe" "$venue/"
wine "$venue/billora-keeper.exe" >"$work/keeper.txt" 2>&1 </dev/null &
keeper=$!
first=$(started 60) || fail "billora.exe not started"
set +e
second=$(wine "$venue/billora-keeper.exe" 2>/dev/null </dev/null)
code=$?
set -e
[ $code -eq 1 ] && echo "$second" | grep -q '^billora-keeper already runs for this venue' ||
  fail "a second keeper did not refuse (exit $code): $second"
sleep 5  # settled: it holds the venue
kill -9 "$first"
start=$SECONDS
again=$(started 60 "$first") || fail "billora.exe not started again within 60 s"
echo "keeper: billora.exe started again $((SECONDS - start)) s after kill -9"
[ "$(grep -c '^started .*billora.exe' "$work/keeper.txt")" -eq 2 ] || fail "not two starts"
[ -n "$again" ]

mkdir -p "$failing"
cp "$windows/tests/windows/failing-display.exe" "$failing/billora.exe"
cp "$windows/tools/billora-keeper.exe" "$failing/"
echo hang >"$failing/display-mode.txt"
BILLORA_KEEPER_SILENCE_MS=10000 wine "$failing/billora-keeper.exe" >"$work/failing.txt" 2>&1 \
  </dev/null &
watcher=$!
said() {
  for _ in $(seq "$2"); do
    grep -qE "$1" "$work/failing.txt" && return 0
    sleep 1
  done
  echo "keeper: not said within $2 s: $1"
  cat "$work/failing.txt"
  exit 1
}
said '^billora.exe \(process [0-9]+\) silent for [0-9]+ s: ended' 60
echo die >"$failing/display-mode.txt"
silent=$(sed -nE 's/^billora.exe .* silent for ([0-9]+) s: ended/\1/p' "$work/failing.txt")
# Beats stopped 2 s after the start; the keeper looks every 4 s.
[ "$silent" -ge 10 ] && [ "$silent" -le 16 ] || fail "ended after $silent s of silence"
[ -z "$(display_pids failing)" ] || fail "the silent display still runs"
said '^restarting in 4 s after 3 quick failures' 60
for n in 1 2 3; do
  [ "$(grep -c "^restarting in $((1 << (n - 1))) s after $n quick failure" "$work/failing.txt")" -eq 1 ] ||
    fail "not one wait after $n quick failures"
done
echo "keeper: a silent display ended after $silent s; waits of 1, 2, 4 s after quick failures"
