#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(g++ cmake ninja-build qt6-base-dev qt6-serialport-dev libbenchmark-dev poppler-utils xvfb xauth
          libarchive-dev                       # the dated backup archives (zip), written and read through it
          qt6-httpserver-dev qt6-websockets-dev # the phone page's server (Qt's CMake files of the server need both)
          libssl-dev                           # the phone page's own certificate, made with libcrypto
          libqrencode-dev                      # the QR code of a phone's pairing
          chromium chromium-driver python3-selenium # the phone page's test in a real browser
          libcurl4-openssl-dev                 # invoices and reminders sent by e-mail (SMTP with TLS)
          python3-aiosmtpd                     # the mail server the e-mail tests start on 127.0.0.1
          fonts-dejavu-core fonts-liberation2
          openbox wmctrl xdotool imagemagick   # the smoke test of the real window under Xvfb
          libxtst-dev libxdamage-dev           # dispatch-outside: windows timed from outside (XTEST, XDamage)
          dpkg-dev file desktop-file-utils)    # the Debian package and its check
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
