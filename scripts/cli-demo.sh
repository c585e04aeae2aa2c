#!/usr/bin/env bash
# The command-line demo: writes a sample camera card, prints one summary line per
# picture on it, then imports the card with settings made by "trevasel-cli settings".
#   scripts/cli-demo.sh [CARD_DIR]   (after scripts/run.sh or scripts/build.sh)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

card="${1:-$root/build/sample-card}"
rm -rf "$card"
"$root/build/tools/trevasel-cli" sample-card "$card"
echo
echo "What the reader finds on the card:"
find "$card/DCIM" -type f \( -name '*.JPG' -o -name '*.MIF' \) -print0 | sort -z |
    xargs -0 "$root/build/tools/trevasel-cli" inspect --summary || true

echo
echo "Importing the card as the watch-folder import would (copy mode, history and XML on):"
destination="$root/build/sample-destination"
rm -rf "$destination" "$root/build/sample-history.db"
cli="$root/build/tools/trevasel-cli"
settings="$root/build/sample-settings.plist"
"$cli" settings init "$settings" --force
"$cli" settings set "$settings" "destination folder path" "$destination" "delete original image" false \
    "activate avoid multiple import check" true "export xml" true "dont add patient name" false
"$cli" import --settings "$settings" \
    --database "$root/build/sample-history.db" "$card" 2> "$root/build/sample-import.log"
(cd "$destination" && find . -type f | sort)
