#!/usr/bin/env bash
# Installs, builds, and runs the main job: starts the full tray program TrevaselForPravena in a
# demo home of its own, puts a sample camera card in, drops a picture into its watch folder, and
# lists what arrived in the picture store.
#   scripts/run.sh [--keep]   --keep leaves the program running (quit it from its tray menu)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"

cli="$root/build/tools/trevasel-cli"
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"/{home,data/TrevaselForPravena,config,cache,run,volumes,watch,pictures,cards}
chmod 700 "$demo/run"
# Every per-user path of the program lies in the demo folder; cards "mount" in its volumes folder.
export HOME="$demo/home" XDG_DATA_HOME="$demo/data" XDG_CONFIG_HOME="$demo/config"
export XDG_CACHE_HOME="$demo/cache" XDG_RUNTIME_DIR="$demo/run" TREVASEL_VOLUMES_ROOT="$demo/volumes"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi

settings="$demo/data/TrevaselForPravena/Trevasel-setting.plist"
"$cli" settings init "$settings" >/dev/null
"$cli" settings set "$settings" "destination folder path" "$demo/pictures" "confirm before sending" 0 \
    "delete original image" false "dont add patient name" false "activate avoid multiple import check" true \
    "watch folder" true "watch folder path" "$demo/watch" >/dev/null

echo "Starting TrevaselForPravena (log: $demo/TrevaselForPravena.log) ..."
"$root/build/tray/TrevaselForPravena" 2> "$demo/TrevaselForPravena.log" &
program=$!
trap 'kill -TERM "$program" 2>/dev/null || true' EXIT
until grep -q "is running" "$demo/TrevaselForPravena.log"; do sleep 0.2; done

"$cli" sample-card "$demo/cards/CARD" >/dev/null
echo
echo "The sample card holds:"
find "$demo/cards/CARD/DCIM" -type f \( -name '*.JPG' -o -name '*.MIF' \) -print0 | sort -z |
    xargs -0 "$cli" inspect --summary || true
echo
echo "Putting the card in (a folder with \"ORV_SD\" appears in the volumes folder) ..."
mv "$demo/cards/CARD" "$demo/volumes/CARD"
until grep -q "transfer result shown" "$demo/TrevaselForPravena.log"; do sleep 0.5; done
grep "transfer result shown" "$demo/TrevaselForPravena.log" | sed 's/.*\[info\]: /  /'

echo "Dropping one more picture into the watch folder ..."
"$root/build/bench/make-bench-stills" "$demo/cards/MORE" 1 $((512 * 1024)) 1 7 >/dev/null
before=$(find "$demo/pictures" -name '*.JPG' | wc -l)
cp "$demo/cards/MORE/"*.JPG "$demo/watch/"
for _ in $(seq 1 60); do
    [ "$(find "$demo/pictures" -name '*.JPG' | wc -l)" -gt "$before" ] && break
    sleep 0.5
done

echo
echo "What arrived in the picture store ($demo/pictures):"
(cd "$demo/pictures" && find . -type f | sort)
if [ "${1:-}" = "--keep" ]; then
    trap - EXIT
    echo "TrevaselForPravena keeps running (pid $program)."
fi
