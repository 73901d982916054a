#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build
# under Wine (tools/run-windows-tests.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
status=0
for variant in release asan; do
  dir="build-test-$variant"
  flags=(-DBILLORA_WERROR=ON)
  [ "$variant" = asan ] && flags+=(-DBILLORA_SANITIZE=ON -DBILLORA_BENCH=OFF)
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== tests ($variant)"
  (cd "$dir" && ctest --output-on-failure -j"$jobs") || status=1
done
tools/run-windows-tests.sh || status=1
exit $status
