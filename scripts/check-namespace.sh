#!/usr/bin/env bash
# Fails when one of our static libraries defines a symbol outside namespace pictavia, and names
# it. Symbols of the standard library, of Qt's templates and of what moc writes for our widgets
# are not ours and pass.
#   scripts/check-namespace.sh [BUILD_DIR]      (a g++ tree such as the Release one; default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shopt -s nullglob
libs=("$build"/src/*/libpictavia_*.a)
if [ ${#libs[@]} -eq 0 ]; then
  echo "No libraries under $build/src: build the tree first." >&2
  exit 2
fi
# nm -A prints "library:object: address type name"; only the mangled name matters. After the
# special-name prefixes (vtables, typeinfo, thunks, guard variables, local entities) and the
# nesting marker, a name of ours starts with the source name 8pictavia.
stray=$(nm -A --defined-only "${libs[@]}" | awk '
  NF == 3 {
    name = $3
    # local labels of the compiler, switch tables, unwind references and static initialisers
    if (name ~ /^(\.L|CSWTCH\.|DW\.ref\.|_GLOBAL__sub_I_)/) next
    if (name ~ /^qt_/) next                          # the Qt version tag
    if (name !~ /^_Z/) { print name; next }          # C linkage: none of ours may have it
    if (name ~ /^_ZT[IS][FPRAMK]/) next              # typeinfo of function and pointer types
    rest = name
    sub(/^_Z(T[VISTHW]|Thn?[0-9]+_|Tvn?[0-9]+_n?[0-9]+_|GV|GR|Z|L)*N?[rVKRO]*L?/, "", rest)
    if (rest ~ /^8pictavia/) next
    if (rest ~ /^(St|S[abiosd]|9__gnu_cxx|[0-9]+Q|[0-9]+qt_)/) next       # std, Qt
    if (rest ~ /^12_GLOBAL__N_1L?[0-9]+qt_meta_/) next                   # moc output
    print name
  }' | sort -u)
if [ -n "$stray" ]; then
  echo "Symbols outside namespace pictavia:"
  echo "$stray" | c++filt | sed 's/^/  /'
  exit 1
fi
echo "Every symbol of ${#libs[@]} libraries lies in namespace pictavia."
