#!/usr/bin/env bash
# Installs the Debian packages that build, test and demo Q4 Config (the one
# package list of the project). Does nothing when everything is present.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5serialbus5-dev libqt5serialport5-dev
  libqt5charts5-dev qttools5-dev-tools qttools5-dev libqt5svg5-dev
  libzip-dev zipcmp zipmerge ziptool
  xvfb xauth xdotool imagemagick socat fonts-wqy-zenhei fonts-dejavu-core
  python3 python3-openpyxl python3-pymodbus python3-serial
  libreoffice-calc-nogui   # workbook tests: LibreOffice opens and writes our xlsx files
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
