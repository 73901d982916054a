#!/usr/bin/env bash
# Builds the venue package from a configured build folder, checks the files it
# lays down and that systemd accepts its user units (the display, its viewer
# and the speech page) without a word of complaint. Where no billora package
# is installed, it installs the package with dpkg -i and removes it again.
# Where one is installed, a venue's display perhaps, that one is left alone:
# the package is unpacked into a throwaway folder and checked there, and the
# script says so. Run as root (or with sudo at hand).
# usage: tools/test-package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
cmake --build "$build" --target billora kivo-standin billora-preview billora-bitmaps \
  billora-sample >/dev/null
rm -f "$build"/billora_*.deb
if ! log=$(cd "$build" && cpack -G DEB 2>&1); then
  echo "$log"
  exit 1
fi
deb=$(find "$build" -maxdepth 1 -name 'billora_*.deb')
work=$(mktemp -d)
root=""  # where the package's files are: / once installed, else the throwaway folder
installed=false  # by this script, which then removes it
cleanup() {
  if $installed; then
    $sudo dpkg -r billora >/dev/null 2>&1
    # The data folders the package made stay behind it when empty no longer.
    $sudo rmdir /opt/billora/{medias,templates,speech} /opt/billora 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
if dpkg-query -W -f='${Status}' billora 2>/dev/null | grep -q 'ok installed'; then
  echo "package: WARNING: billora $(dpkg-query -W -f='${Version}' billora) is installed on this" \
       "machine and stays as it is; $(basename "$deb") is checked unpacked in $work/root instead"
  root="$work/root"
  dpkg-deb -x "$deb" "$root"
  listed=$(dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }')
else
  $sudo dpkg -i "$deb" >/dev/null
  installed=true
  listed=$(dpkg -L billora)
fi

status=0
names=(billora.service kivo-standin.service billora-speech-page.service)
units=("${names[@]/#//usr/lib/systemd/user/}")
for file in /opt/billora/billora /opt/billora/kivo-standin /opt/billora/billora-speech-page \
            /opt/billora/billora-sample "${units[@]}" /usr/share/doc/billora/README.md \
            /usr/share/doc/billora/docs/scene-files.md; do
  if ! grep -qx "$file" <<<"$listed" || [ ! -f "$root$file" ]; then
    echo "package: $file is missing"
    status=1
  fi
done
for program in billora kivo-standin billora-speech-page; do
  [ -x "$root/opt/billora/$program" ] || { echo "package: $program is not executable"; status=1; }
done
# Installed, the venue's data is the group billora's to change; the programs
# stay root's.
owned() {
  local found
  found=$(stat -c '%U:%G %a' "$1")
  [ "$found" = "$2" ] || { echo "package: $1 is $found, not $2"; status=1; }
}
if $installed; then
  owned /opt/billora "root:billora 3775"
  for data in medias templates speech; do owned "/opt/billora/$data" "root:billora 2775"; done
  for program in billora kivo-standin; do owned "/opt/billora/$program" "root:root 755"; done
fi

# A user manager of its own for the check; any warning counts as a failure.
# Unpacked, the units are checked with their programs' folder moved there.
mkdir "$work/units"
for name in "${names[@]}"; do
  sed "s#/opt/billora#$root/opt/billora#g" "$root/usr/lib/systemd/user/$name" >"$work/units/$name"
done
runtime=$(mktemp -d)
complaints=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify "$work/units/"* 2>&1) ||
  status=1
rm -rf "$runtime"
if [ -n "$complaints" ]; then
  echo "package: systemd-analyze verify: $complaints"
  status=1
fi
# The display wants its viewer and the speech page and starts after both;
# the page starts after the viewer, so that it opens above it.
unit() { cat "$root/usr/lib/systemd/user/$1"; }
if ! grep -qx 'Wants=kivo-standin.service billora-speech-page.service' <(unit billora.service) ||
   ! grep -qE '^After=.*\<kivo-standin\.service billora-speech-page\.service\>' <(unit billora.service) ||
   ! grep -qE '^After=.*\<kivo-standin\.service\>' <(unit billora-speech-page.service); then
  echo "package: the units do not start the viewer, then the speech page, then the display"
  status=1
fi
# systemd ends and restarts a display that stops beating, across its restarts
# in place too (the same process).
if ! grep -qx 'WatchdogSec=2min' <(unit billora.service) ||
   ! grep -qx 'NotifyAccess=main' <(unit billora.service); then
  echo "package: billora.service has no watchdog for its main process"
  status=1
fi
# The viewer shows each scene for its time: no --run-time that ends it at once.
if grep -qE '^ExecStart=.*--run-time' <(unit kivo-standin.service); then
  echo "package: kivo-standin.service sets a run time for every scene"
  status=1
fi
[ $status -eq 0 ] && echo "package: $(basename "$deb") $([ -z "$root" ] && echo installs || echo unpacks) and its units verify"
exit $status
