#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${build_packages[@]}" "${test_packages[@]}"
# mdb-reader, the independent reader the writer's tests compare against
[ -d tests/mkbase/node/node_modules/mdb-reader ] || npm ci --prefix tests/mkbase/node --no-audit --no-fund

bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
cmake --build build --target package
bash packaging/check-package.sh build
