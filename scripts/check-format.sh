#!/usr/bin/env bash
# The tree's C++ files against .clang-format (clang-format 14, as Debian 12 has it).
#   scripts/check-format.sh          lists every difference and fails when there is one
#   scripts/check-format.sh --fix    formats the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
formatter="${CLANG_FORMAT:-clang-format-14}"
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
  'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'tools/*.cpp' 'tools/*.h')
if [ "${1:-}" = "--fix" ]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi
if ! "$formatter" --dry-run -Werror "${files[@]}"; then
  echo "Formatting differs from .clang-format; scripts/check-format.sh --fix formats the tree." >&2
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says."
