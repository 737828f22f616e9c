#!/usr/bin/env bash
# Measures the program from outside: a fresh X server at 1024x768 with openbox, the largest sample folder, and
# dispatch-outside clicking through XTEST until each window's picture settles. Three fresh starts per action.
#   bash bench/outside/run.sh [build-dir] [action ...]
set -euo pipefail
build=${1:-build}
shift || true
bin="$build/bin"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((70 + RANDOM % 20))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
sleep 1
"$bin/dispatch-data" generate --root "$work/data" --customers 32767 --slips 2200 --history 100000 \
    --today "$(date +%-m/%-d/%Y)" >/dev/null
# A first start makes the customers' folders; measured starts find them made, as on every later day.
DISPLAY=$display "$bin/dispatch-outside" --program "$bin/VarnelDispatchDuzudu" --data-root "$work/data" --runs 1 start >/dev/null || true
DISPLAY=$display "$bin/dispatch-outside" --program "$bin/VarnelDispatchDuzudu" --data-root "$work/data" --runs 3 "$@"
