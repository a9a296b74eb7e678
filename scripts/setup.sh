#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, then configures and builds Velkaro in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config qt6-base-dev libglib2.0-dev libfontconfig-dev mdbtools mdbtools-dev
          fonts-dejavu-core fonts-liberation2)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# mdb-reader, the independent reader the writer's tests compare against
[ -d tests/mkbase/node/node_modules/mdb-reader ] || npm ci --prefix tests/mkbase/node --no-audit --no-fund

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
