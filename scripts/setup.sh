#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the host
# program need. Safe to run again: packages already present are skipped.
set -euo pipefail

PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libsqlite3-dev qt6-qpa-plugins libgl-dev
    libxlsxwriter-dev libshp-dev unzip zip
    libfreexl-dev zlib1g-dev qt6-charts-dev libqt6opengl6-dev
    libqt6sql6-psql libpq-dev postgresql
    libsodium-dev
    fonts-noto-core fonts-noto-ui-core fonts-farsiweb
    qt6-translations-l10n
    poppler-utils
    libzint-dev zbar-tools
    bsdextrautils
    libqt6svg6
    dpkg-dev desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
