#!/usr/bin/env bash
# Builds Velkaro for Windows on Debian 12: installs what is missing, builds Qt for Windows once into a cache outside
# the checkout, cross-builds into build-windows/, runs the whole test suite under Wine and writes the installer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing_packages "${windows_packages[@]}"

qt_prefix=$(bash scripts/windows-qt.sh | tail -n 1)
