#!/usr/bin/env bash
# The venue's installer under Wine, in the fresh prefix of the Windows stage:
# checks the tables that keep the PC from restarting and set the rights,
# installs billora-<version>-win64.msi silently, checks the programs, the
# logon entry, the Start menu and the keeper started at the end, walks a new
# venue through to the first spoken "OK" with the installed programs
# (walk_through.sh), runs one whole pass of the installed billora.exe
# (whole_pass.sh), installs a second build of the same version over it while
# the keeper and the display run, with the venue's files in its folder (the
# new keeper and display run after it, no restart is scheduled), and
# uninstalls while they and the stand-in viewer run; then installs into a
# folder of the venue's choosing, which an upgrade keeps. Wine shows neither
# Restart Manager, nor the rights enforced, nor a restart scheduled by
# Windows itself.
# Run by tools/run-windows-tests.sh inside its Wine session.
# usage: tests/windows/installer.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
linux=$1
build=$(realpath "$2")
first=$(echo "$build"/billora-*-win64.msi)
work=$(mktemp -d)
# What the installs started goes too, whatever happened.
cleanup() {
  for program in 'billora-keeper\.exe' 'billora\.exe' 'kivo-standin\.exe'; do
    for pid in $(running "$program"); do kill -9 "$pid" 2>/dev/null || true; done
  done
  rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() {
  echo "installer: $*"
  status=1
}
msiexec() { wine msiexec "$@" /qn >/dev/null 2>&1 || fail "msiexec $* failed"; }
product() { msiinfo export "$1" Property | tr -d '\r' | awk '$1 == "ProductCode" { print $2 }'; }
registered() {
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" >/dev/null 2>&1
}
# The venue's own files: what no installer may touch.
venue_files() { (cd "$1" && find list.mdb medias templates speech -type f -exec md5sum {} + | sort); }
# The Linux processes of a program of C:\billora in this Wine prefix (Wine
# shows the Windows command line as theirs).
running() {
  for p in /proc/[0-9]*; do
    { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null | grep -qiE "C:.billora.$1( |\"|\$)" &&
      grep -qzx "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null && echo "${p#/proc/}"
  done
  return 0
}
# The display started by a keeper within 30 s, other than the process $1.
display_started() {
  for _ in $(seq 30); do
    running 'billora\.exe' | grep -qvx "${1:-0}" && return 0
    sleep 1
  done
  return 1
}
stopped() { [ -z "$(running 'billora\.exe')$(running 'billora-keeper\.exe')$(running 'kivo-standin\.exe')" ]; }
no_reboot() {
  ! wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations >/dev/null 2>&1 || fail "$1 scheduled a file for the next restart"
}

c="$WINEPREFIX/drive_c"
folder="$c/billora"
# Windows puts the shortcuts of a per-machine install in the All Users
# profile; Wine in the profile of the user who installs.
programs=$(echo "$c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)
logon="$programs/StartUp/billora.lnk"
menu=("$programs/billora/billora preview.lnk" "$programs/billora/billora speech pictures.lnk"
      "$programs/billora/billora installation.lnk" "$programs/billora/billora sample venue.lnk"
      "$programs/billora/billora display.lnk")
files=(billora.exe billora-keeper.exe billora-preview.exe billora-bitmaps.exe kivo-standin.exe
       billora-sample.exe INSTALL.txt)

echo "== $(basename "$first"): $(stat -c %s "$first") bytes"
# Never a restart of its own, which Wine cannot show.
properties=$(msiinfo export "$first" Property | tr -d '\r')
grep -qx $'REBOOT\tReallySuppress' <<<"$properties" || fail "REBOOT is not ReallySuppress"
grep -qx $'MSIRESTARTMANAGERCONTROL\tDisable' <<<"$properties" || fail "Restart Manager is in use"
# The rights: every installed file read-only for Users, the folder theirs to add to.
rights=$(msiinfo export "$first" MsiLockPermissionsEx | tr -d '\r')
[ "$(grep -c $'\tFile\tD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)\t' <<<"$rights")" -eq \
  "$(msiinfo export "$first" File | tail -n +4 | wc -l)" ] || fail "not every file is locked: $rights"
grep -qF $'\tINSTALLDIR\tCreateFolder\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200af;;;BU)(A;OICIIO;0x1301bf;;;BU)' \
  <<<"$rights" || fail "the folder's rights are not set: $rights"

msiexec /i "$(winepath -w "$first")"
display_started || fail "no display started after the install"
wine "$folder/billora-keeper.exe" --stop 'C:\billora\' >/dev/null 2>&1
stopped || fail "billora-keeper.exe --stop left programs running"
for file in "${files[@]}"; do [ -f "$folder/$file" ] || fail "C:\\billora lacks $file"; done
for link in "$logon" "${menu[@]}"; do [ -f "$link" ] || fail "no $link"; done
# The shell link's header holds how the program starts at offset 60:
# 7 = SW_SHOWMINNOACTIVE.
[ -f "$logon" ] && {
  [ "$(od -An -tu4 -j60 -N4 "$logon" | tr -d ' ')" = 7 ] || fail "the logon entry is not minimized"
  tr -d '\0' <"$logon" | grep -qF 'C:\billora\billora-keeper.exe' || fail "the logon entry starts no billora-keeper.exe"
}

# A new venue from the installed folder to the first spoken "OK"; the folder is
# left as installed.
tests/windows/walk_through.sh "$build" "$folder" || status=1
tests/windows/whole_pass.sh "$linux" "$folder" || status=1
mkdir -p "$folder/speech"
cp "$folder/medias/carmen.jpg" "$folder/speech/101.bmp"
venue_files "$folder" >"$work/before"

# A second build of the same version: another product code, the same upgrade
# code.
(cd "$build" && cpack -G External -B "$work/second" >/dev/null)
second=$(echo "$work"/second/billora-*-win64.msi)
[ "$(product "$first")" != "$(product "$second")" ] || fail "both builds have one product code"
# As at logon: the keeper, and the display it starts, run during the upgrade.
wine "$folder/billora-keeper.exe" >/dev/null 2>&1 </dev/null &
display_started || fail "the keeper started no display"
old=$(running 'billora\.exe')
msiexec /i "$(winepath -w "$second")"
[ -z "$(running 'billora\.exe' | grep -x "$old")" ] || fail "the old display outlived the upgrade"
display_started "$old" || fail "no new display within 30 s of the upgrade"
no_reboot upgrade
registered "$(product "$second")" || fail "the second build is not installed"
! registered "$(product "$first")" || fail "the first build is still installed beside the second"
for file in "${files[@]}"; do [ -f "$folder/$file" ] || fail "the upgrade lost $file"; done
venue_files "$folder" | diff "$work/before" - || fail "the upgrade changed the venue's files"

(cd "$folder" && wine ./kivo-standin.exe --quiet >/dev/null 2>&1 </dev/null &)
for _ in $(seq 20); do [ -n "$(running 'kivo-standin\.exe')" ] && break; sleep 0.5; done
msiexec /x "$(winepath -w "$second")"
stopped || fail "the uninstall left programs running"
no_reboot uninstall
for file in "${files[@]}"; do [ ! -e "$folder/$file" ] || fail "the uninstall left $file"; done
for link in "$logon" "${menu[@]}"; do [ ! -e "$link" ] || fail "the uninstall left $link"; done
[ ! -e "$programs/billora" ] || fail "the uninstall left the Start menu folder"
venue_files "$folder" | diff "$work/before" - || fail "the uninstall changed the venue's files"

# INSTALLDIR chooses the folder; an upgrade without it stays there.
msiexec /i "$(winepath -w "$first")" "INSTALLDIR=C:\\venue hall"
msiexec /i "$(winepath -w "$second")"
[ -f "$c/venue hall/billora.exe" ] || fail "no billora.exe in the folder chosen"
[ ! -e "$folder/billora.exe" ] || fail "the upgrade left the folder chosen"
msiexec /x "$(winepath -w "$second")"

[ $status -eq 0 ] && echo "installer: installed, passed, upgraded and uninstalled, the display back after each install and stopped before each change; the venue's files kept"
exit $status
