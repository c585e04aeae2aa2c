#!/usr/bin/env bash
# Installs, builds, and runs the main job: writes a sample camera card and prints what
# "trevasel-cli inspect" reads from every picture on it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

card="${1:-$root/build/sample-card}"
rm -rf "$card"
"$root/build/tools/trevasel-cli" sample-card "$card"
echo
echo "What the reader finds on the card:"
find "$card/DCIM" -type f \( -name '*.JPG' -o -name '*.MIF' \) -print0 | sort -z |
    xargs -0 "$root/build/tools/trevasel-cli" inspect || true
