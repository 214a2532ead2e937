#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build/ in the repository).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DQUORVANE_WERROR="${QUORVANE_WERROR:-OFF}" "$@"
cmake --build "$build" -j"$(nproc)"
