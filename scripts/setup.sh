#!/usr/bin/env bash
# Installs with apt-get whatever the build and the tests need and this machine lacks.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config ccache
    libxml2-dev libxml2-utils
    libgtest-dev
    qt6-base-dev
    libchm-dev libchm-bin fp-utils fp-compiler fp-units-db
    clang libclang-rt-14-dev
    libx11-dev libxcb1-dev xvfb x11-utils
    python3-dbfread python3-dbf libdbd-xbase-perl
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
