#!/usr/bin/env bash
# The main job on the embedded demo mirror: set up, build, then run downloader.exe against nginx
# (serving a demo package) inside the sandbox. With a usable $DISPLAY the window shows there;
# without one it runs on Xvfb and screenshots of the window are saved and their paths printed.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$repo/build}"
"$repo/scripts/setup.sh"
cmake -S "$repo" -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$BUILD_DIR" --target downloader demo_setup
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export SANDBOX_KEEP_DISPLAY=1
fi
exec "$repo/scripts/sandbox.sh" /usr/bin/python3 "$repo/scripts/demo.py" "$@"
