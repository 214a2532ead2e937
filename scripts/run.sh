#!/usr/bin/env bash
# Sets up, builds and starts the desktop program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
exec "${BUILD_DIR:-$top/build}/bin/Quorvane" "$@"
