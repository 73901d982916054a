#!/usr/bin/env bash
# Installs what the display program needs to build, run and be tested on
# Debian 12. Run as root (or with sudo available).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev faketime
  mdbtools mdbtools-dev libglib2.0-dev
  clang libclang-rt-14-dev
  libx11-dev libxext-dev libxtst-dev libxss-dev libpng-dev libsystemd-dev
  xvfb xauth x11-utils chromium fonts-dejavu-core
  libcairo2-dev libpango1.0-dev librsvg2-dev libgdk-pixbuf-2.0-dev
  locales file systemd
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    "${missing[@]}"
fi
# Numbers must keep their point under a comma locale: the tests switch to this one.
if ! locale -a 2>/dev/null | grep -qx 'fr_FR.utf8'; then
  $sudo localedef -i fr_FR -c -f UTF-8 -A /usr/share/locale/locale.alias fr_FR.UTF-8
fi
