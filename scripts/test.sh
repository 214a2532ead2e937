#!/usr/bin/env bash
# Sets up, builds and runs every test. GUI tests run offscreen; the docking test needs a real
# X server, so the whole suite runs under Xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
"$top/scripts/setup.sh"
QUORVANE_WERROR=ON BUILD_DIR="$build" "$top/scripts/build.sh"
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)"
