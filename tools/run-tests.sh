#!/usr/bin/env bash
# Installs, builds and runs every test: once in a plain build (the Release
# configuration, as a packager builds it), once under AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors in both. The plain build's
# tests whose data are dated run once more with the clock just before
# midnight, and its venue package is built, installed for a moment, checked
# and walked through from its sample to the first spoken announcement; on a
# machine where a billora package is installed already, that one stays and the
# new package is checked unpacked instead (tools/test-package.sh). Last, the
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
    # The tests whose data are dated run their programs on a clock of their
    # choosing: once more, the machine's clock crossing midnight under them.
    echo "== dated tests, the clock starting at 23:59:30"
    (cd "$dir" && env LD_PRELOAD="$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')" \
      FAKETIME="@$(date +%F) 23:59:30" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 \
      ctest --output-on-failure -j"$jobs" -R '^(Display|Passes|PreviewTrace)\.') || status=1
    echo "== package"
    tools/test-package.sh "$dir" || status=1
    tools/walk-through.sh "$dir" || status=1
  fi
done
tools/run-fuzz.sh || status=1
tools/run-windows-tests.sh || status=1
exit $status
