#!/usr/bin/env bash
# Installs what the display program needs to build, run and be tested on
# Debian 12. Run as root (or with sudo available).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  mdbtools mdbtools-dev libglib2.0-dev
  clang libclang-rt-14-dev
  libx11-dev libxext-dev libxtst-dev
  xvfb xauth x11-utils chromium fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
