#!/usr/bin/env bash
# The real billora.exe under Wine against kivo-standin.exe, with the faults a
# venue meets: list.mdb saved in place page by page all along (the Linux
# page_writer, alternating two versions), and the viewer killed during the
# poster's pause of the second pass, once an exclusive open of list.mdb has
# succeeded there. The first pass must show the shows and the slot of one
# version, and the viewer's end must be seen within seconds, not at the end
# of the pause. Run by tools/run-windows-tests.sh inside its
# Wine session.
# usage: tests/windows/fault_passes.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "fault passes: $1"
  tr -d '\r' <"$work/out.txt" | tail -20
  exit 1
}

# Two versions of one layout: 60 shows whose long texts fill several pages,
# the poster <v>.jpg and the slot <v><v><v><v> in force.
tab=$'\t'
version() {
  local text
  text=$(printf "%0.s$1" $(seq 200))
  echo "table shows"
  for c in "id long" "name text" "date datetime" "where text" "text1 text" "text2 text" \
           "visual text" "ndays int"; do echo "column $c"; done
  for i in $(seq 60); do
    echo "row $i$tab$text$tab${dates[$i]}$tab$text$tab\\N$tab\\N$tab$1.jpg${tab}1"
  done
  echo "table annonces"
  for c in "template text" "duration int" "starting datetime" "ending datetime"; do
    echo "column $c"
  done
  echo "row $1$1$1$1${tab}0${tab}2030-01-16 09:00:00${tab}2030-01-17 10:00:00"
}
# The program runs on a clock that starts at this moment, its shows every ten
# minutes from 11:00 on that day, whatever the machine's clock says.
moment="2030-01-16 10:00:00"
dates=()
for i in $(seq 60); do
  dates[$i]=$(printf '2030-01-16 %02d:%02d:00' $((11 + (i - 1) / 6)) $(((i - 1) % 6 * 10)))
done
venue="$work/venue"
mkdir -p "$venue/medias" "$venue/templates"
for v in a b; do
  version $v >"$work/$v.txt"
  "$linux/tools/mdbwrite" "$work/$v.txt" "$work/$v.mdb"
  echo poster >"$venue/medias/$v.jpg"
done
for scene in billorav billora2v billora3v aaaa bbbb; do echo cache >"$venue/templates/$scene.kivo"; done
cp "$work/a.mdb" "$venue/list.mdb"
cp "$windows/cycle/billora.exe" "$venue/billora.exe"

# Saves of 40 ms a page, 800 ms apart: the program's 200 ms of checking a
# reading against the file see any save in progress.
"$linux/tests/page_writer" "$venue/list.mdb" "$work/a.mdb" "$work/b.mdb" 4096 40 800 &
pids+=($!)
wine "$windows/tools/kivo-standin.exe" --quiet --run-time 0 --trace "$work/trace.jsonl" \
  >/dev/null 2>&1 &
viewer=$!
disown "$viewer"  # its end by a signal is no news here
pids+=($viewer)
sleep 2
(cd "$venue" && exec env LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 \
  FAKETIME="@$moment" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
  wine ./billora.exe >"$work/out.txt" </dev/null 2>/dev/null) &
pids+=($!)

count() { tr -d '\r' <"$work/out.txt" | grep -c -- "$1" || true; }
# A pass ends where the next one reads the list again; the fifth "wait..." is
# the poster's pause in the second pass.
for _ in $(seq 1500); do [ "$(count 'wait\.\.\.$')" -ge 5 ] && break; sleep 0.1; done
[ "$(count 'wait\.\.\.$')" -ge 5 ] || fail "no second pass"
# Between two reloads list.mdb is not open: Access may open it exclusively.
wine "$windows/tests/windows/exclusive-open.exe" "$(winepath -w "$venue/list.mdb")" 2>/dev/null ||
  fail "list.mdb cannot be opened exclusively between two reloads"
kill -9 "$viewer"
killed=$(date +%s%N)
for _ in $(seq 90); do [ "$(count 'kivo gone')" -ge 1 ] && break; sleep 0.1; done
noticed=$(( ($(date +%s%N) - killed) / 1000000 ))
[ "$(count 'kivo gone')" -ge 1 ] || fail "the viewer's end was not seen"
[ "$noticed" -lt 3000 ] || fail "the viewer's end was seen after $noticed ms"

# The letters of the versions that pass 1 showed: posters and slot scenes.
shown=$(awk '/VM_QUERY_DEVICE/ { n++ } n == 1' "$work/trace.jsonl" |
  grep -oE 'medias[^"]{1,4}[ab]\.jpg|templates[^"]{1,4}(aaaa|bbbb)\.kivo' |
  sed -E 's/.*(.)\.(jpg|kivo)$/\1/' | sort -u | tr -d '\n')
slots=$(awk '/VM_QUERY_DEVICE/ { n++ } n == 1' "$work/trace.jsonl" | grep -cE '(aaaa|bbbb)\.kivo' || true)
{ [ "$shown" = a ] || [ "$shown" = b ]; } && [ "$slots" -ge 1 ] ||
  fail "the first pass showed versions '$shown' ($slots slot scenes)"
echo "fault passes: one version ($shown) in the pass, the killed viewer seen after $noticed ms"
