#!/usr/bin/env bash
# Installs what building and running Velkaro need on a fresh Debian 12 machine, then configures and builds it in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${build_packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
