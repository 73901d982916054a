#!/usr/bin/env bash
# Lays out a sample venue in DIR: the program beside the sample that
# billora-sample writes (a list.mdb whose shows are dated from now, or from
# MOMENT, "YYYY-MM-DD HH:MM:SS" in local time; posters, one missing on
# purpose; the scene files of every scene).
# usage: tools/make-venue.sh DIR BUILD_DIR [MOMENT]
set -euo pipefail
dir=$1
build=$2
mkdir -p "$dir"
cp "$build/cycle/billora" "$dir/billora"
"$build/tools/billora-sample" ${3:+--at "$3"} "$dir" >/dev/null
echo "Sample venue ready in $dir"
