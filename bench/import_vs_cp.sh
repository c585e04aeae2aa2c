#!/usr/bin/env bash
# Times "trevasel-cli import" against "cp -r" followed by "sync" (so that both leave the pictures
# safely on disk) on the same generated 3 MB stills, in one run with alternating rounds, and prints
# every round's ratio and the ratios of the medians, for two cards: 200 stills of 25 patients with
# the three maker-note generations mixed, and COUNT stills of 17 patients:
#   copy mode, history and XML on, every copy read back from the disk ("verify copies")
#                                          target: at most 1.8 x cp + sync
#   the same with "verify copies" off      target: at most 1.2 x cp + sync
#   move within one filesystem             target: at most 0.2 x cp + sync
#   per image into a patient folder that already holds 10,000 files, against an empty one
#                                          target: at most 3 x
#   bench/import_vs_cp.sh [BUILD_DIR] [COUNT] [ROUNDS]   (defaults: build 500 7; COUNT 0 skips
#   the second card)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
count="${2:-500}"
rounds="${3:-7}"
cli="$build/tools/trevasel-cli"
maker="$build/bench/make-bench-stills"
[ -x "$cli" ] && [ -x "$maker" ] || { echo "build first: scripts/build.sh $build" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/var/tmp}/trevasel-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

settings() { # FILE DESTINATION DELETE_ORIGINAL VERIFY
    python3 - "$1" "$2" "$3" "$4" "$root/resources/full/Trevasel-setting.plist" <<'PY'
import plistlib, sys
path, destination, delete, verify, defaults = sys.argv[1:]
with open(defaults, 'rb') as f:
    d = plistlib.load(f)
d.update({'destination folder path': destination, 'activate avoid multiple import check': True,
          'export xml': True, 'delete original image': delete == '1', 'save day subfolder': False,
          'chop camera serial number': False, 'chop count': False, 'verify copies': verify == '1'})
with open(path, 'wb') as f:
    plistlib.dump(d, f)
PY
}
settings "$work/copy.plist" "$work/dest" 0 1
settings "$work/plain.plist" "$work/dest" 0 0
settings "$work/move.plist" "$work/dest" 1 1

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { print b - a }'; }
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }
fresh() { rm -rf "$work/dest" "$work/cp" "$work/history.db" "$work/move-src"; sync; }
# Write requests the disk under the work folder has completed so far (0 where the kernel does not
# tell, such as on an overlay).
statfile="/sys/class/block/$(basename "$(df --output=source "$work" | tail -n 1)")/stat"
writes() { if [ -r "$statfile" ]; then awk '{ print $5 }' "$statfile"; else echo 0; fi; }
declare -A times
declare -A requests

# run_card NAME COUNT PATIENTS: alternating rounds of import (verified copy), cp -r + sync, import
# (copy, verify off), import (move).
run_card() {
    local name="$1" count="$2" patients="$3"
    rm -rf "$work/stills"
    echo "writing $count stills of 3 MB ($patients patients) into $work ..."
    "$maker" "$work/stills" "$count" $((3 * 1024 * 1024)) "$patients"
    sync
    # One untimed round of each first: on the shared virtual machines we measure on, the first
    # round after the stills are written runs up to three times slower than the rounds after it.
    fresh
    "$cli" import --settings "$work/copy.plist" --database "$work/history.db" "$work/stills" > /dev/null 2>&1
    fresh
    cp -r "$work/stills" "$work/cp" && sync
    local round start end before import cp plain move
    for round in $(seq 1 "$rounds"); do
        fresh
        before=$(writes)
        start=$(now); "$cli" import --settings "$work/copy.plist" --database "$work/history.db" "$work/stills" > "$work/import.out" 2> /dev/null; end=$(now)
        import=$(elapsed "$start" "$end")
        requests[$name-import]=$(( ${requests[$name-import]:-0} + $(writes) - before ))
        tail -n 1 "$work/import.out" | grep -qx "transferred: $count" || { echo "import did not transfer every still" >&2; exit 1; }

        fresh
        before=$(writes)
        start=$(now); cp -r "$work/stills" "$work/cp" && sync; end=$(now)
        cp=$(elapsed "$start" "$end")
        requests[$name-cp]=$(( ${requests[$name-cp]:-0} + $(writes) - before ))

        fresh
        start=$(now); "$cli" import --settings "$work/plain.plist" --database "$work/history.db" "$work/stills" > "$work/import.out" 2> /dev/null; end=$(now)
        plain=$(elapsed "$start" "$end")
        tail -n 1 "$work/import.out" | grep -qx "transferred: $count" || { echo "unverified import did not transfer every still" >&2; exit 1; }

        fresh
        cp -r "$work/stills" "$work/move-src"; sync
        start=$(now); "$cli" import --settings "$work/move.plist" --database "$work/history.db" "$work/move-src" > "$work/move.out" 2> /dev/null; end=$(now)
        move=$(elapsed "$start" "$end")
        tail -n 1 "$work/move.out" | grep -qx "transferred: $count" || { echo "move did not transfer every still" >&2; exit 1; }
        [ -z "$(find "$work/move-src" -type f)" ] || { echo "move left sources behind" >&2; exit 1; }

        times[$name-import]+="$import "
        times[$name-cp]+="$cp "
        times[$name-plain]+="$plain "
        times[$name-move]+="$move "
        printf '%s round %d: cp + sync %.3f s, verified copy %.3f s (%.3f x), unverified copy %.3f s (%.3f x), move %.3f s (%.3f x)\n' \
            "$name" "$round" "$cp" "$import" "$(div "$import" "$cp")" "$plain" "$(div "$plain" "$cp")" \
            "$move" "$(div "$move" "$cp")"
    done
}

report_card() { # NAME COUNT
    local name="$1" count="$2" import cp plain move
    import=$(echo "${times[$name-import]}" | median)
    plain=$(echo "${times[$name-plain]}" | median)
    cp=$(echo "${times[$name-cp]}" | median)
    move=$(echo "${times[$name-move]}" | median)
    printf '%s: %d stills of 3 MB, median of %d rounds\n' "$name" "$count" "$rounds"
    printf '  cp -r + sync:                 %.3f s\n' "$cp"
    printf '  import, verified copy:        %.3f s   ratio %.3f (target <= 1.8)\n' "$import" "$(div "$import" "$cp")"
    printf '  import, copy, verify off:     %.3f s   ratio %.3f (target <= 1.2)\n' "$plain" "$(div "$plain" "$cp")"
    printf '  import, move (same fs):       %.3f s   ratio %.3f (target <= 0.2)\n' "$move" "$(div "$move" "$cp")"
    printf '  disk write requests per still: import %.1f, cp + sync %.1f\n' \
        "$(div "${requests[$name-import]}" $((count * rounds)))" "$(div "${requests[$name-cp]}" $((count * rounds)))"
}

run_card mixed25 200 25
[ "$count" -gt 0 ] && run_card main "$count" 17

# Per image into a full patient folder: the same 200 stills of one patient, once into an empty
# destination and once into one whose patient folder already holds 10,000 files.
full_count=200
rm -rf "$work/stills"
"$maker" "$work/one-patient" "$full_count" $((3 * 1024 * 1024)) 1
fresh
"$cli" import --settings "$work/copy.plist" --database "$work/history.db" "$work/one-patient" > /dev/null 2>&1 # untimed
for round in $(seq 1 "$rounds"); do
    fresh
    start=$(now); "$cli" import --settings "$work/copy.plist" --database "$work/history.db" "$work/one-patient" > /dev/null 2>&1; end=$(now)
    times[empty]+="$(elapsed "$start" "$end") "

    patient_folder=$(dirname "$(find "$work/dest" -name '*.JPG' -print -quit)")
    fresh
    mkdir -p "$patient_folder"
    (cd "$patient_folder" && seq -f 'earlier-%05g.JPG' 1 10000 | xargs touch)
    sync
    start=$(now); "$cli" import --settings "$work/copy.plist" --database "$work/history.db" "$work/one-patient" > /dev/null 2>&1; end=$(now)
    times[full]+="$(elapsed "$start" "$end") "
    [ "$(find "$patient_folder" -name '20*.JPG' | wc -l)" -eq "$full_count" ] || { echo "full-folder import incomplete" >&2; exit 1; }
done

empty=$(echo "${times[empty]}" | median)
full=$(echo "${times[full]}" | median)
echo
report_card mixed25 200
[ "$count" -gt 0 ] && report_card main "$count"
printf 'per image, empty folder:      %.2f ms\n' "$(awk -v t="$empty" -v n="$full_count" 'BEGIN { print t * 1000 / n }')"
printf 'per image, 10,000 files:      %.2f ms   ratio %.3f (target <= 3)\n' \
    "$(awk -v t="$full" -v n="$full_count" 'BEGIN { print t * 1000 / n }')" "$(div "$full" "$empty")"
