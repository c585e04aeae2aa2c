#!/usr/bin/env bash
# Times "trevasel-cli inspect" against "exiftool -j" and "exiv2 -pa" on the same generated
# 3 MB stills, in one run, and prints the ratios. Rounds alternate between the three tools and the
# median of each is compared, so a busy machine slows all three alike.
#   bench/inspect_vs_tools.sh [BUILD_DIR] [COUNT] [ROUNDS]
# Targets: inspect at most 0.5 times exiv2's time and at most 0.05 times exiftool's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
count="${2:-1000}"
rounds="${3:-3}"

need=()
command -v exiftool >/dev/null || need+=(libimage-exiftool-perl)
command -v exiv2 >/dev/null || need+=(exiv2)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q && $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
fi
[ -x "$build/tools/trevasel-cli" ] && [ -x "$build/bench/make-bench-stills" ] ||
    { echo "build first: scripts/build.sh $build" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "writing $count stills of 3 MB into $work ..."
"$build/bench/make-bench-stills" "$work/stills" "$count" $((3 * 1024 * 1024))
mapfile -t files < <(find "$work/stills" -name '*.JPG' | sort)
cat "${files[@]}" > /dev/null # same warm page cache for every tool

now() { date +%s.%N; }
run_timed() { # name command...
    local name="$1"; shift
    local start end
    start=$(now)
    "$@" > "$work/$name.out" 2> "$work/$name.err" || true
    end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}

declare -A times
for round in $(seq 1 "$rounds"); do
    times[inspect]+="$(run_timed inspect "$build/tools/trevasel-cli" inspect "${files[@]}") "
    times[exiv2]+="$(run_timed exiv2 exiv2 -pa "${files[@]}") "
    times[exiftool]+="$(run_timed exiftool exiftool -j "${files[@]}") "
    echo "round $round done"
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
inspect=$(echo "${times[inspect]}" | median)
exiv2=$(echo "${times[exiv2]}" | median)
exiftool=$(echo "${times[exiftool]}" | median)

records=$(grep -c '"record":{' "$work/inspect.out" || true)
echo
printf 'files: %d (3 MB stills), records read by inspect: %d\n' "$count" "$records"
printf 'median wall time: inspect %.3f s, exiv2 -pa %.3f s, exiftool -j %.3f s\n' "$inspect" "$exiv2" "$exiftool"
div() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }
printf 'inspect: %.0f files/s\n' "$(div "$count" "$inspect")"
printf 'ratio inspect/exiv2:    %.3f (target <= 0.5)\n' "$(div "$inspect" "$exiv2")"
printf 'ratio inspect/exiftool: %.4f (target <= 0.05)\n' "$(div "$inspect" "$exiftool")"
[ "$records" -eq "$count" ] || { echo "inspect did not read every still" >&2; exit 1; }
