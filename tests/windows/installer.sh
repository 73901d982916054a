#!/usr/bin/env bash
# The venue's installer under Wine, in the fresh prefix of the Windows stage:
# installs billora-<version>-win64.msi silently, checks the programs, the
# logon entry and the Start menu, walks a new venue through to the first
# spoken "OK" with the installed programs (walk_through.sh), runs one whole
# pass of the installed billora.exe (whole_pass.sh), installs a second build
# of the same version over it with the venue's files in its folder, and
# uninstalls; then installs
# into a folder of the venue's choosing, which an upgrade keeps.
# Run by tools/run-windows-tests.sh inside its Wine session.
# usage: tests/windows/installer.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
linux=$1
build=$(realpath "$2")
first=$(echo "$build"/billora-*-win64.msi)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
msiexec /i "$(winepath -w "$first")"
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
msiexec /i "$(winepath -w "$second")"
registered "$(product "$second")" || fail "the second build is not installed"
! registered "$(product "$first")" || fail "the first build is still installed beside the second"
for file in "${files[@]}"; do [ -f "$folder/$file" ] || fail "the upgrade lost $file"; done
venue_files "$folder" | diff "$work/before" - || fail "the upgrade changed the venue's files"

msiexec /x "$(winepath -w "$second")"
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

[ $status -eq 0 ] && echo "installer: installed, passed, upgraded and uninstalled; the venue's files kept"
exit $status
