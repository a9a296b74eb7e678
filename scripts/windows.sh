#!/usr/bin/env bash
# Builds Velkaro for Windows on Debian 12: installs what is missing, builds Qt for Windows once into a cache outside
# the checkout, cross-builds into build-windows/, runs the whole test suite under Wine (in a fresh Wine prefix) and
# writes and checks the installer build-windows/velkaro-1.0.0-setup.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${windows_packages[@]}"

qt_prefix=$(bash scripts/windows-qt.sh | tail -n 1)
build=build-windows
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# The build runs the writer under Wine too; every run starts from a new Wine prefix.
[ ! -d "$build/wine-prefix" ] || WINEPREFIX="$PWD/$build/wine-prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
rm -rf "$build/wine-prefix" "$build/wine-prefix.lock" "$build/wine-drives"
"$qt_prefix/bin/qt-cmake" -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELKARO_BUILD_BENCH=OFF \
    "${launcher[@]}"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
cmake --build "$build" --target installer
bash packaging/windows/check-installer.sh "$build"
