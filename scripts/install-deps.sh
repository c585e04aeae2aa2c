#!/usr/bin/env bash
# Installs everything the project needs to build, test and benchmark on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-pdf-dev libplist-dev libssl-dev libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    libjpeg-dev libxxhash-dev
    libdcmtk-dev dcmtk dicom3tools
    python3 exiv2 libimage-exiftool-perl
    dbus-daemon
    fonts-noto-cjk fonts-ipafont-gothic poppler-utils qt6-translations-l10n
    dpkg-dev file lintian appstream desktop-file-utils systemd man-db
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "installing: ${missing[*]}"
$sudo apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
