#!/usr/bin/env bash
# Each library may include only its own headers and those of the layers below
# it; the link already refuses calls that reach upward, this catches the
# headers (constants, inline code) that a link never sees.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
# folder, then the include prefixes it may use
check() {
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
check base base/
check platform/mdb base/ platform/mdb/ platform/database.h
check platform/wire base/ platform/wire/
check platform base/ platform/ res/
check showlist base/ platform/ showlist/
check viewer base/ platform/ viewer/
check speech base/ platform/ speech/
check cycle base/ platform/ showlist/ viewer/ speech/ cycle/
exit $status
