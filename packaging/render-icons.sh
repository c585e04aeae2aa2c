#!/usr/bin/env bash
# Renders the application icon resources/icons/trevasel.svg into the PNG sizes of the hicolor icon
# theme, resources/icons/hicolor/NxN/apps/trevasel.png. Run it after changing the SVG and commit the
# PNGs: the build and the package take them as they are, so neither needs a renderer.
#   packaging/render-icons.sh          (needs rsvg-convert, from librsvg2-bin)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command -v rsvg-convert >/dev/null || { echo "render-icons: rsvg-convert is not installed (librsvg2-bin)" >&2; exit 2; }
svg="$root/resources/icons/trevasel.svg"
for size in 16 22 24 32 48 64 128 256; do
    folder="$root/resources/icons/hicolor/${size}x${size}/apps"
    mkdir -p "$folder"
    rsvg-convert --width "$size" --height "$size" --format png "$svg" --output "$folder/trevasel.png"
done
