#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a few seconds under ASan + UBSan,
# seeded with the public conformance corpus and the crashers of tests/crashers/.
#   scripts/fuzz-smoke.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
san="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" \
  -DPICTAVIA_BUILD_FUZZ=ON -DPICTAVIA_BUILD_TESTS=OFF -DPICTAVIA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j 2
# The conformance corpus: $PICTAVIA_CORPUS, else ../shared/corpus beside the checkout.
corpus="${PICTAVIA_CORPUS:-$(cd .. && pwd)/shared/corpus}"
[ -d "$corpus" ] || echo "No corpus at $corpus (set PICTAVIA_CORPUS): seeding from tests/crashers only."
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
# Fonts are cached by fontconfig for the life of the process; those are not our leaks.
export LSAN_OPTIONS="suppressions=$PWD/.ci/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
# Seeds for the Exif reader beside the corpus JPEGs (which carry no orientation tag): the heads of
# JPEGs with an orientation tag in both byte orders, one after a JFIF segment, and a bare block.
exif_seeds() {
  local ii='II*\0\10\0\0\0\1\0\22\1\3\0\1\0\0\0\6\0\0\0\0\0\0\0'
  local mm='MM\0*\0\0\0\10\0\1\1\22\0\3\0\0\0\1\0\10\0\0\0\0\0\0'
  local app1='\377\341\0\42Exif\0\0' scan='\377\332\0\10\1\1\0\0\77\0'
  local jfif='\377\340\0\20JFIF\0\1\1\0\0\1\0\1\0\0'
  printf "\377\330$app1$ii$scan" >"$1/exif-ii-6.jpg"
  printf "\377\330$app1$mm$scan" >"$1/exif-mm-8.jpg"
  printf "\377\330$jfif$app1$ii$scan" >"$1/exif-after-jfif.jpg"
  printf "$mm" >"$1/exif-block.tif"
}
for target in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$target")
  kind=${name#fuzz_}
  pattern="*.${kind}"
  [ "$kind" = jpeg ] || [ "$kind" = exif ] && pattern="*.jp*g"
  seeds=$(mktemp -d)
  [ "$kind" = exif ] && exif_seeds "$seeds"
  # Seeds: the corpus files of this format and the crashers kept for it.
  for dir in "$corpus" tests/crashers; do
    [ -d "$dir" ] || continue
    find "$dir" -type f -iname "$pattern" -exec cp {} "$seeds/" \; 2>/dev/null || true
  done
  if [ -d "tests/crashers/$kind" ]; then cp tests/crashers/"$kind"/* "$seeds/" 2>/dev/null || true; fi
  echo "-- $name for ${seconds}s ($(ls "$seeds" | wc -l) seeds)"
  "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=1048576 -print_final_stats=0 \
    "$seeds" >"$seeds.log" 2>&1 || { tail -n 60 "$seeds.log"; rm -rf "$seeds" "$seeds.log"; exit 1; }
  tail -n 1 "$seeds.log"
  rm -rf "$seeds" "$seeds.log"
done
