#!/usr/bin/env bash
# Makes the Debian package build/package/varneldispatchduzudu_*.deb from the build in ./build.
#   bash scripts/package.sh           build (when needed) and package
#   bash scripts/package.sh --check   then check the package's file list and its desktop entry
# Install it with: sudo apt-get install ./build/package/varneldispatchduzudu_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/build.ninja ] || bash scripts/build.sh
cmake --build build --target VarnelDispatchDuzudu dispatch-data >/dev/null
rm -f build/package/*.deb
(cd build && cpack -G DEB >/dev/null)
deb="$(ls build/package/*.deb)"
echo "$deb"
[ "${1:-}" = "--check" ] || exit 0

listing="$(dpkg-deb -c "$deb")"
list="$(awk '{ print $6 }' <<<"$listing" | sed 's|^\./|/|')"
expected=(
    /usr/lib/varneldispatchduzudu/VarnelDispatchDuzudu
    /usr/lib/varneldispatchduzudu/dispatch-data
    /usr/lib/varneldispatchduzudu/data-in-user-folder
    /usr/bin/varneldispatchduzudu
    /usr/bin/dispatch-data
    /usr/share/applications/varneldispatchduzudu.desktop
    /usr/share/icons/hicolor/48x48/apps/varneldispatchduzudu.png
    /usr/share/icons/hicolor/256x256/apps/varneldispatchduzudu.png
    /usr/share/doc/varneldispatchduzudu/manual.md
    /usr/share/doc/varneldispatchduzudu/copyright
)
missing=0
for path in "${expected[@]}"; do
    grep -qx "$path" <<<"$list" || { echo "package check: $path is missing from $deb"; missing=1; }
done
# Nothing of the build or the tests may slip in.
if grep -E '/(tst_|vd-screenshots|dispatch-bench)|\.a$|/include/' <<<"$list"; then
    echo "package check: files that do not belong in the package (above)"
    missing=1
fi
grep -q 'usr/bin/varneldispatchduzudu -> ../lib/varneldispatchduzudu/VarnelDispatchDuzudu' <<<"$listing" ||
    { echo "package check: /usr/bin/varneldispatchduzudu does not link to the program"; missing=1; }
grep -q 'qt6-qpa-plugins' <<<"$(dpkg-deb -f "$deb" Depends)" ||
    { echo "package check: the package does not depend on the Qt window system plugins"; missing=1; }

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/varneldispatchduzudu.desktop" || missing=1
[ $missing -eq 0 ] && echo "package check: passed ($(wc -l <<<"$list") entries)"
exit $missing
