#!/usr/bin/env bash
# Regenerates the pictures of the README and the manual with the program itself, offscreen, from generated
# sample data (same seed and date every time, so a picture changes only when its window does), and the
# program icons of the Debian package.
#   bash scripts/screenshots.sh                      into docs/ and packaging/icons/, building what it needs
#   bash scripts/screenshots.sh --bin DIR --out DIR  with the tools in DIR, every picture into the out folder
#                                                    (the test that keeps the table working)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="" out=""
while [ $# -gt 0 ]; do
    case "$1" in
        --bin) bin="$2"; shift 2 ;;
        --out) out="$2"; shift 2 ;;
        *) echo "usage: screenshots.sh [--bin DIR] [--out DIR]"; exit 2 ;;
    esac
done

# One line per picture: the file, the window's object name, its size (WxH, or - for the window's own), then
# the controls to click from the start menu to reach it, by object name (WINDOW/NAME looks in that window only).
# A window that does not exist yet fails its line with the names of the windows that did show.
shots() {
    cat <<'EOF'
docs/start-menu.png        frmStartup      720x480
docs/board.png             frmMain         -        frmStartup/lblSub_1
docs/create-slip.png       frmCreateSlip   -        frmStartup/lblSub_0 frmNewCustomer/cmdSelect
docs/customer.png          frmNewCustomer  -        frmStartup/lblSub_4
docs/finalize.png          frmFinalize     -        frmStartup/lblSub_2
EOF
}
# The calendar's pictures, from a busier sample: a few technicians with full weeks.
calendar_shots() {
    cat <<'EOF'
docs/calendar-week.png     frmCalendar     1024x768 frmStartup/lblSub_3 frmSchedules/cmdCalendar
docs/calendar-day.png      frmCalendar     1024x768 frmStartup/lblSub_3 frmSchedules/cmdCalendar frmCalendar/optDay
EOF
}
# The maintenance agreements, from the sample with forty agreements added (their visits made at start).
agreement_shots() {
    cat <<'EOF'
docs/agreements.png        frmAgreements   1024x768 frmStartup/lblSub_1 frmMain/mnuAgreements
docs/agreement-editor.png  frmAgreement    -        frmStartup/lblSub_1 frmMain/mnuAgreements frmAgreements/cmdEdit
EOF
}
icon_sizes=(48 64 128 256)
today="11/16/2026"

if [ -z "$bin" ]; then
    [ -f build/build.ninja ] || bash scripts/build.sh
    cmake --build build --target vd-screenshots dispatch-data >/dev/null
    bin=build/bin
fi
icons=packaging/icons
if [ -n "$out" ]; then
    mkdir -p "$out/icons"
    icons="$out/icons"
fi

work="$(mktemp -d /tmp/vd-shots.XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$bin/dispatch-data" generate --root "$work/sample" --customers 300 --slips 40 --history 400 --assignments 6 \
    --services 24 --seed 18 --today "$today" >/dev/null
"$bin/dispatch-data" generate --root "$work/busy" --customers 300 --slips 1500 --history 400 --assignments 12 \
    --services 24 --seed 18 --today "$today" >/dev/null
# One slip moved into another's two hours, so that the calendar's pictures show a clash.
"$bin/dispatch-data" dump "$work/busy/ServiceSlips.txt" 2>/dev/null |
    sed '/"SlipNo":1636,/s/"SchedTime":"10:00-12:00"/"SchedTime":"09:00"/' |
    "$bin/dispatch-data" write "$work/busy/ServiceSlips.txt" >/dev/null 2>&1

cp -r "$work/sample" "$work/agreed"
bash scripts/sample-agreements.sh "$bin/dispatch-data" "$work/agreed" 40 "$today" >/dev/null

# The screen of an office laptop: every window shows as it opens there.
cat > "$work/screen.json" <<'JSON'
{ "screens": [ { "name": "office", "x": 0, "y": 0, "width": 1024, "height": 768, "logicalDpi": 96,
                 "logicalBaseDpi": 96, "dpr": 1 } ] }
JSON
export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" QT_LOGGING_RULES="qt.qpa.*=false"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failed=0
while read -r sample file window size clicks; do
    [ -z "$file" ] || [ "${file:0:1}" = "#" ] && continue
    # Every picture starts from a fresh copy, so that one window's clicks never show in another's.
    rm -rf "$work/data" && cp -r "$work/$sample" "$work/data"
    [ -n "$out" ] && file="$out/$(basename "$file")"
    args=(--data-root "$work/data" --today "$today" --window "$window" --out "$file")
    [ "$size" != "-" ] && args+=(--size "$size")
    for click in $clicks; do args+=(--click "$click"); done
    if "$bin/vd-screenshots" "${args[@]}"; then
        echo "$file"
    else
        failed=1
    fi
done < <(shots | sed 's/^/sample /'; calendar_shots | sed 's/^/busy /'; agreement_shots | sed 's/^/agreed /')

for size in "${icon_sizes[@]}"; do
    "$bin/vd-screenshots" --icon "$size" --out "$icons/${size}x${size}.png"
done
echo "$icons: ${icon_sizes[*]}"
exit $failed
