#!/usr/bin/env bash
# billora-keeper.exe under Wine: it starts billora.exe beside it, starts it
# again after it was killed from Linux with kill -9 (no handler of its own
# runs then), well within 60 s, and a second keeper for the venue ends at
# once. Run by tools/run-windows-tests.sh inside its Wine session.
# usage: tests/windows/keeper.sh WINDOWS_BUILD
set -euo pipefail
windows=$(realpath "$1")
work=$(mktemp -d)
venue="$work/keeper venue"
keeper=""
# The Linux processes of this venue's billora.exe (Wine keeps the Windows
# command line as theirs).
display_pids() {
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -q 'keeper venue.billora\.exe' &&
      echo "${p#/proc/}"
  done
  return 0
}
cleanup() {
  [ -n "$keeper" ] && { kill -9 "$keeper" && wait "$keeper"; } 2>/dev/null || true
  for pid in $(display_pids); do kill -9 "$pid" 2>/dev/null || true; done
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
