#!/usr/bin/env bash
# Sets up, builds and starts Velkaro on the bundled sample directory (build/bin/base.mdb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec build/bin/velkaro "$@"
