#!/usr/bin/env bash
# Installs, builds, and runs every test: once in a normal build (and the Debian package made from
# it), then once more under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/test.sh [--no-sanitizers]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

# The sources must be laid out as .clang-format says.
"$root/scripts/check-format.sh"

"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" -j "$(nproc)" --output-on-failure

# The Debian package, packed from the build above and checked unpacked, never installed.
package="$("$root/scripts/package.sh" --from "$root/build")"
"$root/tests/package/check-package.sh" "$package"

if [ "${1:-}" != "--no-sanitizers" ]; then
    "$root/scripts/build.sh" "$root/build-sanitize" -DTREVASEL_SANITIZE=ON -DTREVASEL_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
        ctest --test-dir "$root/build-sanitize" -j "$(nproc)" --output-on-failure
fi
