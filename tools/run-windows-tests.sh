#!/usr/bin/env bash
# The Windows stage: installs the cross compiler and Wine, builds every
# program for 64-bit Windows, runs the Windows tests under Wine on a private
# Xvfb with a fresh Wine prefix, and packs the zip and the installer a venue
# installs, the installer tried in that prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest
          cmake xvfb xauth unzip imagemagick wixl msitools osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "${missing[@]}"
fi

dir=build-test-windows
jobs=$(nproc)
# Optimised as the Linux build is (-O2): GCC 12 warns wrongly about
# std::string at -O3.
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DBILLORA_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$jobs"

# Everything Wine and Xvfb keep lives in one private folder, gone afterwards.
work=$(mktemp -d)
xvfb=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
# The prefix is made once before the tests, which then start in a moment;
# a persistent server keeps it up between them.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1

echo "== tests (windows, under Wine)"
status=0
# The screen as the Windows build captures it is, byte for byte, what the X
# root window holds: a random picture made its background, checked before any
# test puts a window of its own on the screen. The root window is read before
# and after, until the X server has finished painting it.
display -window root -size 1920x1080 plasma:red-blue 2>/dev/null || true
capture=unsettled
for _ in $(seq 20); do
  import -window root -depth 8 "rgb:$work/before.rgb"
  wine "$dir/tests/windows/screen-dump.exe" "$(winepath -w "$work/capture.rgb")" >/dev/null ||
    break
  import -window root -depth 8 "rgb:$work/after.rgb"
  if cmp -s "$work/before.rgb" "$work/after.rgb"; then
    cmp -s "$work/before.rgb" "$work/capture.rgb" && capture=same || capture=different
    break
  fi
  sleep 0.5
done
echo "capture: $capture (the Windows capture against the X root window)"
[ "$capture" = same ] || status=1

(cd "$dir" && ctest --output-on-failure --timeout 300 -j"$jobs") || status=1
tests/windows/keeper.sh "$dir" || status=1

# The packages are signed with a throwaway self-signed certificate, as a
# venue's build is with its own (packaging/windows/sign.cmake).
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=billora test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/sign-key.pem" -out "$work/sign-cert.pem" \
  2>/dev/null
export BILLORA_SIGN_CERT="$work/sign-cert.pem" BILLORA_SIGN_KEY="$work/sign-key.pem"
cmake --build "$dir" --target package >/dev/null
zip="$dir/billora-$(sed -nE 's/^project\(billora VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)-win64.zip"
echo "== $zip"
# What a venue unpacks: the programs, each on its own, and the installation text.
# The listing is read whole: grep -q ending early would fail unzip's pipe.
listing=$(unzip -l "$zip")
for file in billora.exe billora-keeper.exe kivo-standin.exe billora-preview.exe billora-bitmaps.exe \
            billora-sample.exe INSTALL.txt; do
  grep -q "/$file\$" <<<"$listing" || { echo "$zip lacks $file"; status=1; }
done
# Each program of the zip and the installer carry a signature that verifies.
unzip -q -o "$zip" -d "$work/unzipped"
signed=0
for file in "$work"/unzipped/*/*.exe "${zip%.zip}.msi"; do
  if osslsigncode verify -CAfile "$BILLORA_SIGN_CERT" -in "$file" >/dev/null 2>&1; then
    signed=$((signed + 1))
  else
    echo "the signature of $(basename "$file") does not verify"
    status=1
  fi
done
echo "signatures: $signed verify"

# The installer, with a whole pass of the programs it installed, compared
# with the Linux programs of the plain build, which also give the fault
# passes their databases and their page writer.
host=build-test-release
tools/install-deps.sh
[ -f "$host/CMakeCache.txt" ] || cmake -S . -B "$host" -DBILLORA_WERROR=ON >/dev/null
cmake --build "$host" -j"$jobs" --target billora kivo-standin mdbwrite page_writer >/dev/null
tests/windows/installer.sh "$host" "$dir" || status=1
tests/windows/fault_passes.sh "$host" "$dir" || status=1
exit $status
