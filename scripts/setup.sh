#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing) and builds into ./build.
# clang and its runtime (libFuzzer, sanitizers) build the fuzzers of fuzz/ (scripts/fuzz.sh).
# fonts-liberation2 gives "Arial", the face the forms are drawn in, a face with Arial's metrics.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqt5charts5-dev
    libxlsxwriter-dev libminizip-dev zlib1g-dev
    python3 python3-openpyxl
    clang libclang-rt-14-dev
    fonts-liberation2
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
