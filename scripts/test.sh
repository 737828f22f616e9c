#!/usr/bin/env bash
# Builds everything and runs every test headless (the smoke test of the real window runs in its own virtual
# display), then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
bash scripts/package.sh --check
