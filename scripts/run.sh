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

echo
echo "Importing the card as the watch-folder import would (copy mode, history and XML on):"
destination="$root/build/sample-destination"
rm -rf "$destination" "$root/build/sample-history.db"
python3 - "$root/resources/full/Trevasel-setting.plist" "$root/build/sample-settings.plist" "$destination" <<'PY'
import plistlib, sys
defaults, target, destination = sys.argv[1:]
with open(defaults, 'rb') as f:
    settings = plistlib.load(f)
settings.update({'destination folder path': destination, 'delete original image': False,
                 'activate avoid multiple import check': True, 'export xml': True, 'dont add patient name': False})
with open(target, 'wb') as f:
    plistlib.dump(settings, f)
PY
"$root/build/tools/trevasel-cli" import --settings "$root/build/sample-settings.plist" \
    --database "$root/build/sample-history.db" "$card" 2> "$root/build/sample-import.log"
(cd "$destination" && find . -type f | sort)
