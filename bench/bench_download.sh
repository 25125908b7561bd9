#!/usr/bin/env bash
# Times three downloads of the same 256 MiB file from the same nginx, in the sandbox: the
# engine's full download and merge (the engine test window), curl -o (one stream) and
# aria2c -x3 -s3; then the engine's merge against cp of the same bytes, and the engine built
# with 64 KiB receive blocks against the program's 1 KiB.
#   bench/bench_download.sh [size_mib]
# Not a test: figures depend on the machine and on what else runs on it.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$repo/build}"
bench64="$repo/build-bench64"

if [ -z "${DOWNLOADER_SANDBOX:-}" ]; then
  "$repo/scripts/setup.sh"
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$build" --target engine_harness >/dev/null
  # The same engine with 64 KiB blocks, for this comparison only.
  cmake -S "$repo" -B "$bench64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" \
        -DMINIZIP_SRC_DIR="$build/_deps/minizip" -DCMAKE_CXX_FLAGS=-DDL_RECEIVE_BLOCK_SIZE=65536 >/dev/null
  cmake --build "$bench64" --target engine_harness >/dev/null
  exec "$repo/scripts/sandbox.sh" "$0" "$@"
fi

exec /usr/bin/python3 "$repo/bench/bench_download.py" \
  "$build/tests/harness/engine_harness.exe" "$bench64/tests/harness/engine_harness.exe" "$@"
