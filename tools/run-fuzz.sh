#!/usr/bin/env bash
# Builds the database reader's fuzz target (libFuzzer with clang, under
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs it, bounded:
# first every input that once failed (tests/fuzz/crashes), then FUZZ_RUNS
# inputs (default 20000, at most 60 s) grown from a seed corpus that
# mdbwrite writes from tests/fuzz/seeds, in Jet 4 and, where it can, Jet 3.
# A failing input is left in build-fuzz/ as crash-*, leak-*, timeout-* or
# oom-*: copy it to tests/fuzz/crashes once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DBILLORA_FUZZ=ON -DBILLORA_SANITIZE=ON -DBILLORA_BENCH=OFF -DBILLORA_WERROR=ON >/dev/null
cmake --build "$dir" -j"$(nproc)" --target mdb_fuzz mdbwrite
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
for description in tests/fuzz/seeds/*.txt; do
  name=$(basename "$description" .txt)
  "$dir/tools/mdbwrite" "$description" "$corpus/$name-jet4.mdb"
  "$dir/tools/mdbwrite" --jet3 "$description" "$corpus/$name-jet3.mdb" 2>/dev/null || true
done
regressions=()
[ -n "$(ls -A tests/fuzz/crashes 2>/dev/null)" ] && regressions=(tests/fuzz/crashes)
echo "== fuzz (database reader)"
"$dir/tests/mdb_fuzz" -runs="${FUZZ_RUNS:-20000}" -max_total_time=60 -timeout=10 \
  -malloc_limit_mb=256 -print_final_stats=1 -artifact_prefix="$dir/" \
  "$corpus" "${regressions[@]}"
