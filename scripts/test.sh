#!/usr/bin/env bash
# The whole test run: set-up, build, then every test through ctest inside the sandbox.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$repo/build}"
"$repo/scripts/setup.sh"
cmake -S "$repo" -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD_DIR"
exec "$repo/scripts/sandbox.sh" ctest --test-dir "$BUILD_DIR" -j1 --output-on-failure "$@"
