#!/usr/bin/env bash
# Builds the venue package from a configured build folder, installs it with
# dpkg -i, checks the files it lays down and that systemd accepts its user
# units (the display and its viewer) without a word of complaint, then
# removes it again. Run as root (or with
# sudo at hand), on a machine where the package may be installed for a moment.
# usage: tools/test-package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
cmake --build "$build" --target billora kivo-standin billora-sample >/dev/null
rm -f "$build"/billora_*.deb
if ! log=$(cd "$build" && cpack -G DEB 2>&1); then
  echo "$log"
  exit 1
fi
deb=$(find "$build" -maxdepth 1 -name 'billora_*.deb')
$sudo dpkg -i "$deb" >/dev/null
# The data folders the package made stay behind it when empty no longer.
trap '$sudo dpkg -r billora >/dev/null 2>&1
      $sudo rmdir /opt/billora/{medias,templates,speech} /opt/billora 2>/dev/null || true' EXIT

status=0
listed=$(dpkg -L billora)
units=(/usr/lib/systemd/user/billora.service /usr/lib/systemd/user/kivo-standin.service)
for file in /opt/billora/billora /opt/billora/kivo-standin /opt/billora/billora-sample \
            "${units[@]}" /usr/share/doc/billora/README.md /usr/share/doc/billora/docs/scene-files.md; do
  if ! grep -qx "$file" <<<"$listed" || [ ! -f "$file" ]; then
    echo "package: $file is missing"
    status=1
  fi
done
[ -x /opt/billora/billora ] || { echo "package: billora is not executable"; status=1; }
# The venue's data is the group billora's to change; the programs stay root's.
owned() {
  local found
  found=$(stat -c '%U:%G %a' "$1")
  [ "$found" = "$2" ] || { echo "package: $1 is $found, not $2"; status=1; }
}
owned /opt/billora "root:billora 3775"
for data in medias templates speech; do owned "/opt/billora/$data" "root:billora 2775"; done
for program in billora kivo-standin; do owned "/opt/billora/$program" "root:root 755"; done

# A user manager of its own for the check; any warning counts as a failure.
runtime=$(mktemp -d)
complaints=$(XDG_RUNTIME_DIR=$runtime systemd-analyze --user verify "${units[@]}" 2>&1) ||
  status=1
rm -rf "$runtime"
if [ -n "$complaints" ]; then
  echo "package: systemd-analyze verify: $complaints"
  status=1
fi
# The display wants its viewer and starts after it.
if ! grep -qx 'Wants=kivo-standin.service' "${units[0]}" ||
   ! grep -qE '^After=.*\<kivo-standin\.service\>' "${units[0]}"; then
  echo "package: billora.service does not want kivo-standin.service and start after it"
  status=1
fi
# systemd ends and restarts a display that stops beating, across its restarts
# in place too (the same process).
if ! grep -qx 'WatchdogSec=2min' "${units[0]}" || ! grep -qx 'NotifyAccess=main' "${units[0]}"; then
  echo "package: billora.service has no watchdog for its main process"
  status=1
fi
[ $status -eq 0 ] && echo "package: $(basename "$deb") installs and its units verify"
exit $status
