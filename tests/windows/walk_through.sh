#!/usr/bin/env bash
# A new venue's first minutes on Windows, in the folder the installer has just
# filled, with only what it installed and what the installation text says:
# the sample laid out with billora-sample.exe, the viewer started, the speech
# page's pictures cut with billora-bitmaps.exe and the text's regions (on the
# Win32 stand-in of the test page, which draws the same pictures at the same
# places), then the keeper as at logon, up to the first spoken "OK" (the
# greeting, typed into the page and played). The folder is left as the
# installer left it. Run by tests/windows/installer.sh inside the Wine session
# of the Windows stage.
# usage: tests/windows/walk_through.sh WINDOWS_BUILD FOLDER
set -euo pipefail
build=$(realpath "$1")
folder=$(realpath "$2")
source=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
pids=()
# The Linux processes of a program of the folder (Wine keeps the Windows
# command line as theirs).
running() {
  local pattern
  pattern="$(winepath -w "$folder" | sed 's/[\\.]/./g').$1"
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -qi "$pattern" && echo "${p#/proc/}"
  done
  return 0
}
cleanup() {
  for pid in "${pids[@]}" $(running 'billora-keeper\.exe') $(running 'billora\.exe'); do
    kill -9 "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  for _ in $(seq 50); do [ -z "$(running 'billora\.exe')" ] && break; sleep 0.1; done
  rm -rf "$work" "$folder/list.mdb" "$folder/medias" "$folder/templates" "$folder/speech"
}
trap cleanup EXIT
fail() {
  echo "walk-through: $*"
  tail -5 "$work"/*.txt
  exit 1
}

(cd "$folder" && wine ./billora-sample.exe) >"$work/sample.txt" 2>&1 </dev/null ||
  fail "billora-sample.exe failed"
grep -q '^Sample venue ready' "$work/sample.txt" || fail "no sample laid out"

wine "$build/tests/windows/speech-page.exe" "$(winepath -w "$work/page.txt")" >/dev/null 2>&1 &
pids+=($!)
(cd "$folder" && exec wine ./kivo-standin.exe --quiet) >"$work/viewer.txt" 2>&1 </dev/null &
pids+=($!)

# The regions of the installation text, cut again until the page is drawn:
# then without a warning.
regions=$(grep -o -- "--delay 5 --icon [0-9].*" "$source/docs/install-windows.txt" | head -1)
[ -n "$regions" ] || fail "no billora-bitmaps command with regions in the installation text"
cut=fail
for _ in $(seq 60); do
  # shellcheck disable=SC2086
  if (cd "$folder" && wine ./billora-bitmaps.exe ${regions/--delay 5 /}) >"$work/bitmaps.txt" 2>&1 &&
     ! grep -q warning "$work/bitmaps.txt"; then
    cut=ok
    break
  fi
  sleep 1
done
[ $cut = ok ] || fail "billora-bitmaps.exe did not cut the regions of the text without a warning"

# The keeper as the logon entry starts it (installer.sh has already checked
# and stopped the one that the installer started at its end).
if [ -z "$(running 'billora-keeper\.exe')" ]; then
  (cd "$folder" && exec wine ./billora-keeper.exe) >/dev/null 2>&1 </dev/null &
  pids+=($!)
fi
for _ in $(seq 90); do
  grep -q '^play Coucou' "$work/page.txt" 2>/dev/null && break
  sleep 1
done
grep -q '^play Coucou' "$work/page.txt" || fail "the greeting was not played on the page"
echo "walk-through: from the installed folder to the first spoken OK"
