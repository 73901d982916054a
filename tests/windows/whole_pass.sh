#!/usr/bin/env bash
# One whole pass of the real billora.exe against kivo-standin.exe under Wine,
# both as installed in a Windows folder, which becomes the venue's folder,
# beside the Linux billora against the Linux stand-in in a copy of the same
# venue. The viewer traces must be the same apart from window handles, atom
# numbers and timing, and so must the consoles. Run by
# tests/windows/installer.sh inside the Wine session of the Windows stage.
# usage: tests/windows/whole_pass.sh LINUX_BUILD WINDOWS_FOLDER
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
work=$(mktemp -d)
venues=("$work/linux venue" "$windows")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# One show today and one tomorrow, one slot in force: every scene has content.
# Both programs run on a clock that starts at this moment, so that neither
# pass reads another day than the other, whatever the machine's clock says.
moment="2030-01-16 10:00:00"
tab=$'\t'
{
  echo "table shows"
  for c in "id long" "name text" "date datetime" "where text" "text1 text" "text2 text" \
           "visual text" "ndays int"; do echo "column $c"; done
  echo "row 1${tab}Carmen${tab}2030-01-16 14:00:00${tab}Salle Molière${tab}\\N${tab}\\N${tab}carmen.jpg${tab}1"
  echo "row 2${tab}Tosca${tab}2030-01-17 14:00:00${tab}\\N${tab}\\N${tab}\\N${tab}tosca.jpg${tab}1"
  echo "table annonces"
  for c in "template text" "duration int" "starting datetime" "ending datetime"; do
    echo "column $c"
  done
  echo "row annonce-bar${tab}2${tab}2030-01-16 09:00:00${tab}2030-01-17 10:00:00"
} > "$work/list.txt"
for venue in "${venues[@]}"; do
  mkdir -p "$venue/medias" "$venue/templates"
  "$linux/tools/mdbwrite" "$work/list.txt" "$venue/list.mdb"
  for poster in carmen.jpg tosca.jpg; do echo poster > "$venue/medias/$poster"; done
  for scene in billorav billora2v billora3v annonce-bar; do echo cache > "$venue/templates/$scene.kivo"; done
done
cp "$linux/cycle/billora" "$work/linux venue/billora"

# Both at once, so that they read the same moment.
export KIVO_SOCKET="$work/kivo.socket"
"$linux/tools/kivo-standin" --quiet --run-time 300 --trace "$work/linux.jsonl" &
pids+=($!)
wine "$windows/kivo-standin.exe" --quiet --run-time 300 --trace "$work/windows.jsonl" \
  >/dev/null 2>&1 &
pids+=($!)
sleep 2
clock=(env LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 FAKETIME="@$moment"
       FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1)
DISPLAY= "${clock[@]}" "$work/linux venue/billora" >"$work/linux.out" </dev/null 2>&1 &
pids+=($!)
(cd "$windows" && exec "${clock[@]}" wine ./billora.exe >"$work/windows.out" </dev/null 2>/dev/null) &
pids+=($!)

# A pass ends where the next one reads the list again.
passes() { grep -c 'Reading list' "$1" 2>/dev/null || true; }
for _ in $(seq 300); do
  [ "$(passes "$work/linux.out")" -ge 2 ] && [ "$(passes "$work/windows.out")" -ge 2 ] && break
  sleep 1
done

# The messages of the first pass with their texts: the venue's folder and the
# separators made alike, repeated polls (their count depends on timing)
# counted once. "#0" is no atom on Windows (an integer atom must be 1 or
# more), so the offset of object 0 reaches the viewer without its object.
messages() {
  tr -d '\r' <"$1" | grep '"number"' | awk '/VM_QUERY_DEVICE/ { n++ } n < 2' |
    sed -E 's/"(t_ms|client|wParam|lParam)":[^,]*,//g' |
    sed -E "s#$2#VENUE#g; s#\\\\\\\\#/#g" |
    sed -E 's/"object":"#0"(.*)"result":1/"object":null\1"result":0/' | uniq
}
# The Linux program runs without a display and says so once; Wine has one.
console() {
  tr -d '\r' <"$1" | sed -z 's/\nscreen not captured: [^\n]*\n//' |
    sed -E "s#$2#VENUE#g; s#\\\\#/#g" | awk '/Reading list/ { n++ } n < 2'
}
# The Windows folder as a pattern of the trace (JSON doubles each backslash)
# and of the console.
winvenue=$(winepath -w "$windows")
status=0
diff <(messages "$work/linux.jsonl" "$work/linux venue") \
     <(messages "$work/windows.jsonl" "$(sed 's#\\#\\\\\\\\#g' <<<"$winvenue")") \
     >"$work/trace.diff" || status=1
diff <(console "$work/linux.out" "$work/linux venue") \
     <(console "$work/windows.out" "$(sed 's#\\#\\\\#g' <<<"$winvenue")") \
     >"$work/console.diff" || status=1
lines=$(messages "$work/linux.jsonl" "$work/linux venue" | wc -l)
if [ $status -eq 0 ] && [ "$lines" -gt 100 ]; then
  echo "whole pass: the same $lines viewer messages and console on Linux and Windows"
else
  echo "whole pass: Linux and Windows differ"
  cat "$work/trace.diff" "$work/console.diff" | head -60
  exit 1
fi
