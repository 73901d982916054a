#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build (the Release
# configuration, as a packager builds it), once under AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors in both. The plain build's
# venue package is also built, installed for a moment and checked, and walked
# through from its sample to the first spoken announcement. Last, the
# database reader's fuzz target runs for a bounded number of inputs, and the
# Windows build is tested under Wine (tools/run-windows-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
status=0
for variant in release asan; do
  dir="build-test-$variant"
  flags=(-DBILLORA_WERROR=ON)
  [ "$variant" = release ] && flags+=(-DCMAKE_BUILD_TYPE=Release)
  [ "$variant" = asan ] && flags+=(-DBILLORA_SANITIZE=ON -DBILLORA_BENCH=OFF)
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== tests ($variant)"
  (cd "$dir" && ctest --output-on-failure -j"$jobs") || status=1
  if [ "$variant" = release ]; then
    echo "== package"
    tools/test-package.sh "$dir" || status=1
    tools/walk-through.sh "$dir" || status=1
  fi
done
tools/run-fuzz.sh || status=1
tools/run-windows-tests.sh || status=1
exit $status
