#!/usr/bin/env bash
# Builds the Debian package trevasel_<version>_<arch>.deb and prints its path (the only line on
# standard output; the build talks on standard error).
#   scripts/package.sh [BUILD_DIR]       a Release build of the programs alone (no tests, no
#                                        benchmarks) with Debian's hardening flags, in BUILD_DIR
#                                        (default build-package); the package goes to BUILD_DIR/package
#   scripts/package.sh --from BUILD_DIR  packs a tree that is built already, as it is (CI packs build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ "${1:-}" = "--from" ]; then
    build="$(realpath "${2:?usage: package.sh --from BUILD_DIR}")"
else
    build="$(realpath -m "${1:-$root/build-package}")"
    "$root/scripts/install-deps.sh" >&2
    # Debian's flags for a package: fortified functions, stack protector, full RELRO with immediate
    # binding. -g is dropped, since the package holds stripped programs.
    cd "$root"
    export DEB_BUILD_MAINT_OPTIONS="hardening=+all" DEB_CXXFLAGS_MAINT_STRIP="-g"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DTREVASEL_BUILD_TESTS=OFF -DTREVASEL_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >&2
    cmake --build "$build" -j "$(nproc)" >&2
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "package: $build is no configured build tree" >&2; exit 2; }

out="$build/package"
rm -rf "$out"
# cpack packs the modes that its own installation leaves; a stricter umask would lock others out.
umask 022
(cd "$build" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out") >&2
debs=("$out"/trevasel_*.deb)
[ -f "${debs[0]}" ] || { echo "package: cpack made no package in $out" >&2; exit 1; }
echo "${debs[0]}"
