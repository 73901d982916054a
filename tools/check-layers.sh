#!/usr/bin/env bash
# tools/check-layers.sh [BUILD_DIR]
# Each library may use only its own code and that of the layers below it.
# The headers: no folder includes a header of a layer above its own. With a
# build folder, the symbols too: no library leaves undefined a symbol that a
# library above it, or a sibling module, defines. The link refuses most such
# calls already, but not one into an object that the program pulled in anyway.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

# folder, then the include prefixes it may use
check_includes() {
  local folder=$1
  shift
  local allowed
  allowed=$(printf '%s\n' "$@" | sed 's/[.]/\\./g' | paste -sd'|')
  while IFS= read -r line; do
    echo "$line: reaches above its layer"
    status=1
  done < <(grep -rnE '^#include "' "$folder" --include='*.cpp' --include='*.h' |
           grep -vE "#include \"($allowed)")
}
check_includes base base/
check_includes platform/mdb base/ platform/mdb/ platform/database.h
check_includes platform/wire base/ platform/wire/
check_includes platform base/ platform/ res/
check_includes showlist base/ platform/ showlist/
check_includes viewer base/ platform/ viewer/
check_includes speech base/ platform/ speech/
check_includes cycle base/ platform/ showlist/ viewer/ speech/ cycle/

# library, its archive in the build folder, then the libraries it may use
below_modules="platform_linux platform_fake mdb wire res base"
layers=(
  "base base/libbillora_base.a"
  "res res/libbillora_res.a"
  "wire platform/wire/libbillora_wire.a base"
  "mdb platform/libbillora_mdb.a base"
  "platform_linux platform/libbillora_platform_linux.a mdb wire res base"
  "platform_fake platform/libbillora_platform_fake.a mdb wire res base"
  "showlist showlist/libbillora_showlist.a $below_modules"
  "viewer viewer/libbillora_viewer.a $below_modules"
  "speech speech/libbillora_speech.a $below_modules"
  "cycle cycle/libbillora_cycle.a showlist viewer speech $below_modules"
)

# Prints "<symbol> <library>" for every symbol a library defines.
defined_symbols() {
  local build=$1 entry
  for entry in "${layers[@]}"; do
    read -r name archive _ <<<"$entry"
    nm -g --defined-only "$build/$archive" | awk -v lib="$name" 'NF == 3 { print $3, lib }'
  done
}

check_symbols() {
  local build=$1 entry name archive allowed
  local defined
  defined=$(defined_symbols "$build")
  for entry in "${layers[@]}"; do
    read -r name archive allowed <<<"$entry"
    while IFS= read -r line; do
      echo "$name uses $line"
      status=1
    done < <(nm -g --undefined-only "$build/$archive" | awk '$1 == "U" { print $2 }' |
             awk -v self="$name" -v allowed=" $allowed " '
               NR == FNR { owners[$1] = owners[$1] " " $2; next }
               $1 in owners {
                 n = split(owners[$1], libs, " ")
                 for (i = 1; i <= n; ++i)
                   if (libs[i] == self || index(allowed, " " libs[i] " ")) next
                 print $1 ", defined above it in" owners[$1]
               }' <(echo "$defined") - | sort -u)
  done
}
[ $# -ge 1 ] && check_symbols "$1"
exit $status
