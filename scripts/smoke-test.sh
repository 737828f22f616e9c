#!/usr/bin/env bash
# Starts the real program on a generated data folder in a virtual X display with a window manager, waits for
# the start menu, takes a screenshot and checks it is not blank, closes the menu through its close box and
# checks that the program ended and left its Backup copies.
#   scripts/smoke-test.sh BIN_DIR [OUT_DIR]
# BIN_DIR holds VarnelDispatchDuzudu and dispatch-data; the screenshot lands in OUT_DIR (default: a temporary
# folder). Exit status 0 passed, 1 failed, 77 skipped (no Xvfb on this machine).
set -uo pipefail

bin="$(cd "${1:?usage: smoke-test.sh BIN_DIR [OUT_DIR]}" && pwd)"
title="Revozedi Vovaro Sub-routine Selection"
# The files the program copies to Backup when it ends.
backed_up=(CompanyLogo CustomerData AuxHeadings LogoSettings Phone MyBusinessData PrintColors SoldItems MyWebSite
           TaxRecords SpeedNumbers)

if ! command -v Xvfb >/dev/null; then
    echo "SKIPPED: the smoke test of the real window needs Xvfb (bash scripts/deps.sh installs it)"
    exit 77
fi
for tool in openbox wmctrl xdotool import identify; do
    command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing; run bash scripts/deps.sh"; exit 1; }
done

work="$(mktemp -d /tmp/vd-smoke.XXXXXX)"
out="${2:-$work}"
mkdir -p "$out"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*"
    [ -f "$work/program.log" ] && { echo "--- program output:"; cat "$work/program.log"; }
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local limit=$1 i
    shift
    for ((i = 0; i < limit * 10; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Nothing of the user's: the program, the window manager and Qt keep their settings in the work folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Xvfb picks a free display number itself and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 20 wmctrl -m || fail "the window manager did not start"

"$bin/dispatch-data" generate --root "$work/data" --customers 300 --slips 120 --history 2000 --assignments 12 \
    --services 30 >"$work/generate.log" 2>&1 || fail "dispatch-data generate: $(cat "$work/generate.log")"

"$bin/VarnelDispatchDuzudu" --data-root "$work/data" >"$work/program.log" 2>&1 &
program=$!
pids+=($program)

window="$(timeout 60 xdotool search --sync --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)"
[ -n "$window" ] || fail "the start menu \"$title\" did not appear within 60 seconds"

# The window is mapped; give it until its contents are painted: a blank window has one or two colours.
shot="$out/smoke-start-menu.png"
colours=0
for ((i = 0; i < 50; i++)); do
    if import -display "$DISPLAY" -window "$window" "$shot" 2>/dev/null; then
        colours="$(identify -format '%k' "$shot" 2>/dev/null || echo 0)"
        [ "$colours" -gt 16 ] && break
    fi
    sleep 0.2
done
[ "$colours" -gt 16 ] || fail "the start menu looks blank ($colours colours in $shot)"
size="$(identify -format '%wx%h' "$shot")"
echo "start menu: window $window, $size, $colours colours, screenshot $shot"

# The copies in Backup must come from this run's exit: remove the ones generate left there.
for name in "${backed_up[@]}"; do
    rm -f "$work/data/Backup/$name.txt"
done

# The close box: the window manager asks the window to close, as a click on its title bar's close button does.
wmctrl -i -c "$window" || fail "wmctrl could not close the start menu"
wait_for 30 bash -c "! kill -0 $program" || fail "the program was still running 30 seconds after its close box"
wait "$program"
status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"

checked=0
for name in "${backed_up[@]}"; do
    file="$work/data/$name.txt"
    [ -f "$file" ] || continue
    cmp -s "$file" "$work/data/Backup/$name.txt" || fail "Backup/$name.txt is missing or differs from $name.txt"
    checked=$((checked + 1))
done
[ "$checked" -ge 2 ] || fail "expected at least MyBusinessData.txt and CustomerData.txt to be backed up"
echo "PASSED: the start menu showed, closed through its close box, and $checked files were copied to Backup"
