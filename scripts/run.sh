#!/usr/bin/env bash
# Builds the program and starts it. The data folder is ./data in this checkout unless another is named:
#   scripts/run.sh [DATA_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
data="${1:-$PWD/data}"
mkdir -p "$data"
exec build/bin/VarnelDispatchDuzudu --data-root "$data"
