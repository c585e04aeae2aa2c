#!/usr/bin/env bash
# Checks a built Debian package without installing it: unpacks it into a temporary folder, runs the
# programs from there, and lets lintian, appstreamcli, desktop-file-validate and systemd-analyze
# judge what it holds. Exits 1 on the first check that fails.
#   tests/package/check-package.sh trevasel_<version>_<arch>.deb
set -euo pipefail
deb="$(realpath "${1:?usage: check-package.sh PACKAGE.deb}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
fail() { echo "check-package: $*" >&2; exit 1; }
# A check that passes says nothing; anything it prints is a finding.
quiet() {
    local output
    output="$("$@" 2>&1)" || fail "$1 failed:"$'\n'"$output"
    [ -z "$output" ] || fail "$1 reports:"$'\n'"$output"
}

version="$(dpkg-deb --field "$deb" Version)"
dpkg-deb --extract "$deb" "$root"
# Whatever runs below gets a home of its own, never the real one.
mkdir -p "$work"/{home,config,data,cache,volumes} && mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
    XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run" TREVASEL_VOLUMES_ROOT="$work/volumes"

for path in usr/bin/TrevaselForPravena usr/bin/Trevasel usr/bin/trevasel-cli \
    usr/share/applications/TrevaselForPravena.desktop usr/share/applications/Trevasel.desktop \
    usr/share/icons/hicolor/scalable/apps/trevasel.svg \
    usr/share/metainfo/jp.trevasel.TrevaselForPravena.metainfo.xml \
    usr/share/metainfo/jp.trevasel.Trevasel.metainfo.xml \
    usr/share/man/man1/trevasel-cli.1.gz usr/share/man/man1/TrevaselForPravena.1.gz \
    usr/share/man/man1/Trevasel.1.gz \
    usr/lib/systemd/user/trevasel-watch.service usr/lib/systemd/system/trevasel-watch@.service \
    usr/share/doc/trevasel/copyright usr/share/doc/trevasel/changelog.gz; do
    [ -e "$root/$path" ] || fail "the package lacks /$path"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -e "$root/usr/share/icons/hicolor/${size}x${size}/apps/trevasel.png" ] ||
        fail "the package lacks the ${size}x${size} icon"
done
[ ! -e "$root/etc/xdg/autostart" ] || fail "the package turns on autostart for every user"

# The versions written by hand beside the build's own.
zcat "$root/usr/share/doc/trevasel/changelog.gz" | head -n 1 | grep -qF "trevasel ($version)" ||
    fail "the changelog's newest entry is not $version"
for metainfo in "$root"/usr/share/metainfo/*.xml; do
    grep -m 1 '<release ' "$metainfo" | grep -qF "version=\"$version\"" ||
        fail "the newest release in $(basename "$metainfo") is not $version"
done

# lintian's errors and warnings fail; its notes are shown.
output="$(lintian --fail-on error,warning "$deb" 2>&1)" || fail "lintian finds faults:"$'\n'"$output"
grep -v 'running with root privileges' <<<"$output" || true
output="$(appstreamcli validate-tree --no-net --no-color "$root" 2>&1)" ||
    fail "appstreamcli finds faults:"$'\n'"$output"
for desktop in "$root"/usr/share/applications/*.desktop; do
    quiet desktop-file-validate "$desktop"
done

# systemd-analyze needs each unit's program where ExecStart says and its manual page where man looks,
# so the units are checked in copies that point into the unpacked tree.
units="$work/units"
mkdir -p "$units"
for unit in "$root"/usr/lib/systemd/{user,system}/*.service; do
    sed "s|/usr/bin/|$root/usr/bin/|g" "$unit" >"$units/$(basename "$unit")"
done
analyze() { MANPATH="$root/usr/share/man" systemd-analyze "$@"; }
quiet analyze --user verify "$units/trevasel-watch.service"
quiet analyze verify "$units/trevasel-watch@practice.service"

# The programs run from the unpacked tree. A tray program that does not know --version starts
# up instead, so it gets a time limit.
for program in trevasel-cli TrevaselForPravena Trevasel; do
    status=0
    output="$(QT_QPA_PLATFORM=offscreen timeout 20 "$root/usr/bin/$program" --version 2>"$work/stderr")" ||
        status=$?
    [ "$status" -eq 0 ] && grep -qw -- "$version" <<<"$output" ||
        fail "$program --version ends with $status and prints \"$output\", not $version:"$'\n'"$(cat "$work/stderr")"
done

echo "check-package: $(basename "$deb") passes"
