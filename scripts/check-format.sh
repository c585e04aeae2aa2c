#!/usr/bin/env bash
# Checks that the C++ sources are formatted as .clang-format says, without changing them.
#   scripts/check-format.sh [FILE...]     (default: every tracked .cpp and .h file)
# Prints each difference and exits 1 when any file would change; 0 when none would.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 2; }
if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
status=0
clang-format --style=file --dry-run --Werror "${files[@]}" || status=1
if [ "$status" -ne 0 ]; then
    echo "check-format: the files above differ from .clang-format (clang-format -i FILE fixes one)" >&2
fi
exit "$status"
