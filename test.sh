#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
#   ./test.sh                 all tests
#   ./test.sh -R raster       only the suites whose names match (any ctest arguments pass through)
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build_dir="${PICTAVIA_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j "${PICTAVIA_JOBS:-2}"
cd "$build_dir"
ctest --output-on-failure -j "${PICTAVIA_JOBS:-2}" "$@"
