#!/usr/bin/env bash
# Photographs the full tray program TrevaselForPravena on a real X desktop, in English and Japanese:
#   Desktop-welcome-<en|ja>.png       a first start: the settings window welcomes, the destination
#                                     folder chooser over it
#   Desktop-tray-menu-<en|ja>.png     the tray menu, opened with a left click on the icon of a tray
#                                     that came up after the program
#   Desktop-notification-<en|ja>.png  the desktop notice after a card import
#
#   scripts/desktop-screenshots.sh [BUILD_DIR] [OUT_DIR]
#
# BUILD_DIR (default build/) must hold tray/TrevaselForPravena and tools/trevasel-cli; OUT_DIR
# defaults to docs/screenshots/. The script runs a desktop of its own in one D-Bus session: an X
# server (Xvfb), a window manager (openbox), a notification daemon (dunst) and a tray (trayer), and
# the program in a temporary home with its volumes folder there too; the real home, /media and the
# autostart folder are never touched. It needs xvfb, openbox, dunst, trayer, xdotool, imagemagick,
# x11-utils and the en_US.UTF-8 and ja_JP.UTF-8 locales: run as root, it installs what is missing;
# otherwise it says what is missing. TREVASEL_DESKTOP_KEEP=1 keeps the temporary folder (logs,
# uncropped screens) and prints where it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
mkdir -p "${2:-$root/docs/screenshots}"
out="$(cd "${2:-$root/docs/screenshots}" && pwd)"
program="$build/tray/TrevaselForPravena"
cli="$build/tools/trevasel-cli"

say() { printf '%s\n' "$*" >&2; }

# ---------------------------------------------------------------------------------------------------
# Outside the D-Bus session: what is needed, then the same script again inside one session.
if [ -z "${TREVASEL_DESKTOP_SESSION:-}" ]; then
    for binary in "$program" "$cli"; do
        if [ ! -x "$binary" ]; then
            say "missing $binary: build it first (cmake --build $build --target TrevaselForPravena trevasel-cli)"
            exit 1
        fi
    done
    # command -> Debian package
    declare -A needed=(
        [Xvfb]=xvfb [openbox]=openbox [dunst]=dunst [trayer]=trayer [xdotool]=xdotool
        [import]=imagemagick [convert]=imagemagick [display]=imagemagick
        [xwininfo]=x11-utils [xprop]=x11-utils
        [dbus-run-session]=dbus-bin [dbus-send]=dbus-bin [locale-gen]=locales
    )
    missing=()
    for command in "${!needed[@]}"; do
        command -v "$command" >/dev/null 2>&1 || missing+=("${needed[$command]}")
    done
    dpkg-query -W -f='${Status}' fonts-noto-cjk 2>/dev/null | grep -q 'install ok installed' ||
        missing+=(fonts-noto-cjk)
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sed '/^$/d' | sort -u)
    if [ ${#missing[@]} -gt 0 ]; then
        if [ "$(id -u)" -ne 0 ]; then
            say "missing Debian packages: ${missing[*]}"
            say "install them with: sudo apt-get install --no-install-recommends ${missing[*]}"
            exit 1
        fi
        say "installing: ${missing[*]}"
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
    locales_missing=()
    for wanted in en_US ja_JP; do
        locale -a 2>/dev/null | grep -qix "$wanted.utf8" || locales_missing+=("$wanted.UTF-8")
    done
    if [ ${#locales_missing[@]} -gt 0 ]; then
        if [ "$(id -u)" -ne 0 ]; then
            say "missing locales: ${locales_missing[*]} (add them to /etc/locale.gen and run locale-gen as root)"
            exit 1
        fi
        for wanted in "${locales_missing[@]}"; do
            if grep -q "^# *$wanted UTF-8" /etc/locale.gen; then
                sed -i "s/^# *\($wanted UTF-8\)/\1/" /etc/locale.gen
            else
                echo "$wanted UTF-8" >>/etc/locale.gen
            fi
        done
        locale-gen
    fi
    # One session bus for the notification daemon, the tray and the program.
    exec dbus-run-session -- env TREVASEL_DESKTOP_SESSION=1 bash "$0" "$build" "$out"
fi

# ---------------------------------------------------------------------------------------------------
# Inside the D-Bus session.
work="$(mktemp -d "${TMPDIR:-/tmp}/trevasel-desktop.XXXXXX")"
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || true
    done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        wait "${pids[i]}" 2>/dev/null || true
    done
    if [ "${TREVASEL_DESKTOP_KEEP:-0}" = 1 ]; then
        say "kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# The desktop's own programs get a home of their own as well.
mkdir -p "$work/desktop/home" "$work/desktop/config" "$work/desktop/data" "$work/desktop/cache" \
    "$work/desktop/run"
chmod 700 "$work/desktop/run"
export HOME="$work/desktop/home" XDG_CONFIG_HOME="$work/desktop/config" XDG_DATA_HOME="$work/desktop/data"
export XDG_CACHE_HOME="$work/desktop/cache" XDG_RUNTIME_DIR="$work/desktop/run"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME LANGUAGE LC_ALL
export LANG=C.UTF-8

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
    local seconds="$1" i
    shift
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
log_has() { grep -q -- "$2" "$1" 2>/dev/null; }
bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# The X server, on the first free display.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp -noreset >"$work/Xvfb.log" 2>&1 &
pids+=($!)
exec 5>&-
wait_for 20 test -s "$work/display" || { say "Xvfb did not start: $(cat "$work/Xvfb.log")"; exit 1; }
DISPLAY=":$(head -n1 "$work/display")"
export DISPLAY
wait_for 20 xwininfo -root >/dev/null 2>&1 || { say "cannot reach the X server on $DISPLAY"; exit 1; }
say "desktop on $DISPLAY, work folder $work"
convert -size 1280x800 'gradient:#6d8fb0-#3e5c7a' "$work/backdrop.png"
display -window root "$work/backdrop.png" 2>"$work/display.log" || true # exits non-zero even when it worked

# Dialogs open in the middle of the screen, as desktops centre them over their window (the
# settings window is in the middle too); openbox would otherwise put them in the emptiest corner.
mkdir -p "$work/openbox"
sed 's|</applications>|<application type="dialog"><position force="yes"><x>center</x><y>center</y></position></application>\n</applications>|' \
    /etc/xdg/openbox/rc.xml >"$work/openbox/rc.xml"
openbox --config-file "$work/openbox/rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 20 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { say "openbox did not start: $(cat "$work/openbox.log")"; exit 1; }

# Notices in a font that has Japanese, large enough to read, staying until the picture is taken.
cat >"$work/dunstrc" <<'EOF'
[global]
    font = Noto Sans CJK JP 12
    width = (300, 460)
    height = 300
    origin = top-right
    offset = 16x48
    padding = 12
    horizontal_padding = 14
    frame_width = 2
    frame_color = "#3e5c7a"
    separator_color = frame
    markup = full
    format = "<b>%s</b>\n%b"
    alignment = left
    ellipsize = end
    ignore_newline = no
    show_age_threshold = -1
    icon_position = off
    sticky_history = yes
    show_indicators = no
    mouse_left_click = do_action, close_current
[urgency_low]
    background = "#ffffff"
    foreground = "#202020"
    timeout = 0
[urgency_normal]
    background = "#ffffff"
    foreground = "#202020"
    timeout = 0
[urgency_critical]
    background = "#ffffff"
    foreground = "#900000"
    frame_color = "#900000"
    timeout = 0
[trevasel]
    appname = TrevaselForPravena
    timeout = 0
EOF
dunst -config "$work/dunstrc" >"$work/dunst.log" 2>&1 &
pids+=($!)
wait_for 20 bus_has org.freedesktop.Notifications ||
    { say "dunst did not take org.freedesktop.Notifications: $(cat "$work/dunst.log")"; exit 1; }

# Japanese text in Noto Sans CJK JP rather than whichever Japanese font fontconfig likes best.
cat >"$work/fonts.conf" <<'EOF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
    <include ignore_missing="no">/etc/fonts/fonts.conf</include>
    <match target="pattern">
        <test name="lang" compare="contains"><string>ja</string></test>
        <test qual="any" name="family"><string>sans-serif</string></test>
        <edit name="family" mode="prepend" binding="strong"><string>Noto Sans CJK JP</string></edit>
    </match>
</fontconfig>
EOF

tray_pid=""
start_tray() {
    # A plain XEmbed tray: no StatusNotifierWatcher is on the bus, so Qt docks its icon here.
    trayer --edge top --align right --widthtype request --height 32 --iconspacing 4 \
        --transparent false --tint 0xe8e8e8 --SetDockType true --SetPartialStrut true \
        --expand true >"$work/trayer.log" 2>&1 &
    tray_pid=$!
    pids+=("$tray_pid")
}
stop_tray() {
    if [ -n "$tray_pid" ]; then
        kill -TERM "$tray_pid" 2>/dev/null || true
        wait "$tray_pid" 2>/dev/null || true
        tray_pid=""
    fi
}

# A fresh home for one run of the program; prints its folder.
new_home() {
    local home="$work/$1"
    mkdir -p "$home"/{home,config,data,cache,run,volumes,pictures,cards}
    chmod 700 "$home/run"
    printf '%s\n' "$home"
}
# The environment of a run in home $1 with LANG $2: every per-user folder and the volumes folder
# in that home, nothing else from the caller.
home_env() {
    local home="$1" lang="$2"
    run_env=(PATH="$PATH" DISPLAY="$DISPLAY" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
        FONTCONFIG_FILE="$work/fonts.conf" LANG="$lang" HOME="$home/home" XDG_CONFIG_HOME="$home/config"
        XDG_DATA_HOME="$home/data" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run"
        TREVASEL_VOLUMES_ROOT="$home/volumes")
}
# Runs the command line tool in home $1 with LANG $2.
cli_in_home() {
    home_env "$1" "$2"
    shift 2
    env -i "${run_env[@]}" "$cli" "$@" >/dev/null
}
program_pid=""
start_program() {
    local home="$1" lang="$2"
    home_env "$home" "$lang"
    # Started in its home, as a desktop starts it (the folder chooser starts in the working folder);
    # the subshell and env replace themselves with the program: $! is the process its windows name.
    (cd "$home/home" && exec env -i "${run_env[@]}" "$program" 2>"$home/TrevaselForPravena.log") &
    program_pid=$!
    pids+=("$program_pid")
    wait_for 60 log_has "$home/TrevaselForPravena.log" "is running" || {
        say "TrevaselForPravena did not start:"
        grep -v '\[debug\]' "$home/TrevaselForPravena.log" >&2
        exit 1
    }
}
stop_program() {
    if [ -n "$program_pid" ]; then
        kill -TERM "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
        program_pid=""
    fi
}

# The viewable top-level windows of the program, one id a line.
program_windows() {
    xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true
}
# Prints "x y width height" of a window on the screen, with the window manager's frame; a window
# that is gone is "0 0 0 0".
window_box() {
    local info x y w h extents left=0 right=0 top=0 bottom=0
    info="$(xwininfo -id "$1" 2>/dev/null)" || { echo "0 0 0 0"; return 0; }
    x="$(awk -F: '/Absolute upper-left X/ { print $2 + 0 }' <<<"$info")"
    y="$(awk -F: '/Absolute upper-left Y/ { print $2 + 0 }' <<<"$info")"
    w="$(awk -F: '/^ *Width/ { print $2 + 0 }' <<<"$info")"
    h="$(awk -F: '/^ *Height/ { print $2 + 0 }' <<<"$info")"
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')"
    if [ -n "$extents" ]; then
        IFS=, read -r left right top bottom <<<"$extents"
    fi
    echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}
# Takes the whole screen and keeps the box around the windows given, with a margin of $2 pixels.
capture() {
    local file="$1" margin="$2" id x0=100000 y0=100000 x1=0 y1=0 x y w h screen
    shift 2
    for id in "$@"; do
        read -r x y w h < <(window_box "$id")
        if [ "$w" -le 1 ] || [ "$h" -le 1 ]; then
            continue
        fi
        ((x < x0)) && x0=$x
        ((y < y0)) && y0=$y
        ((x + w > x1)) && x1=$((x + w))
        ((y + h > y1)) && y1=$((y + h))
    done
    if ((x1 == 0)); then
        say "no window to frame for $file: it shows the whole screen"
        failures=$((failures + 1))
        x0=0 y0=0 x1=1280 y1=800
    fi
    x0=$((x0 - margin < 0 ? 0 : x0 - margin))
    y0=$((y0 - margin < 0 ? 0 : y0 - margin))
    x1=$((x1 + margin > 1280 ? 1280 : x1 + margin))
    y1=$((y1 + margin > 800 ? 800 : y1 + margin))
    screen="$work/screen-$(basename "$file")"
    import -window root "$screen"
    convert "$screen" -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage -strip "$file"
    say "wrote $file ($((x1 - x0))x$((y1 - y0)))"
}
# The program's windows that are at least $1 pixels wide, or all of them with 0.
wide_windows() {
    local id x y w h
    for id in $(program_windows); do
        read -r x y w h < <(window_box "$id")
        [ "$w" -ge "$1" ] && echo "$id"
    done
    return 0
}
count_windows() { [ "$(wide_windows 100 | wc -l)" -ge "$1" ]; }
# The program's windows that no window manager frames: the tray icon, a menu, a balloon.
small_windows() {
    local id
    for id in $(program_windows); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && echo "$id"
    done
    return 0
}

# Says what went wrong, with the program's log (without its debug lines), and counts it.
failed() {
    say "$1"
    grep -v '\[debug\]' "$home/TrevaselForPravena.log" | cut -c1-300 >&2 || true
    failures=$((failures + 1))
}
failures=0

for language in en ja; do
    case "$language" in
    en) lang=en_US.UTF-8 ;;
    ja) lang=ja_JP.UTF-8 ;;
    esac

    # 1. A first start, no settings file: the settings window welcomes, the destination folder
    #    chooser over it.
    home="$(new_home "welcome-$language")"
    # The folders a desktop makes in a new home, for the chooser to show.
    case "$language" in
    en) (cd "$home/home" && mkdir -p Desktop Documents Downloads Pictures) ;;
    ja) (cd "$home/home" && mkdir -p デスクトップ ドキュメント ダウンロード ピクチャ) ;;
    esac
    start_program "$home" "$lang"
    wait_for 30 count_windows 2 || failed "the first start did not open the settings window and the chooser"
    sleep 1.5
    mapfile -t windows < <(wide_windows 100)
    capture "$out/Desktop-welcome-$language.png" 12 "${windows[@]}"
    stop_program

    # 2. The tray menu. The tray comes up only once the program is running, without one; the
    #    program looks again every 2 s and then shows its icon. A left click on the icon opens the
    #    menu.
    home="$(new_home "tray-$language")"
    settings="$home/data/TrevaselForPravena/Trevasel-setting.plist"
    mkdir -p "$(dirname "$settings")"
    cli_in_home "$home" "$lang" settings init "$settings"
    cli_in_home "$home" "$lang" settings set "$settings" "destination folder path" "$home/pictures" \
        "confirm before sending" 1002 "delete original image" false "eject removable device" false \
        "display desktop notice" 1
    start_program "$home" "$lang"
    start_tray
    wait_for 30 log_has "$home/TrevaselForPravena.log" "a system tray appeared" ||
        failed "the program's icon did not come to the tray"
    sleep 1
    tray_window="$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n1 || true)"
    icon_window="$(small_windows | head -n1)"
    if [ -n "$icon_window" ]; then
        read -r x y w h < <(window_box "$icon_window")
        xdotool mousemove "$((x + w / 2))" "$((y + h / 2))"
        sleep 0.3
        xdotool click 1
        wait_for 10 count_windows 1 || failed "no menu after a left click on the tray icon"
        sleep 1
        mapfile -t windows < <(small_windows)
        capture "$out/Desktop-tray-menu-$language.png" 12 ${tray_window:+"$tray_window"} "${windows[@]}"
        xdotool key Escape
        xdotool mousemove 640 600
    else
        failed "no tray icon to click"
    fi

    # 3. A card is put in (its folder appears in the volumes folder); after the import the desktop
    #    says how many pictures arrived. With a tray Qt shows the notice itself, as a balloon at the
    #    icon; without one the program asks the notification daemon (dunst) over D-Bus.
    cli_in_home "$home" "$lang" sample-card "$home/cards/CARD"
    mv "$home/cards/CARD" "$home/volumes/CARD"
    wait_for 120 log_has "$home/TrevaselForPravena.log" "arrival notice" || failed "no arrival notice"
    sleep 2
    # The notice and the tray; the result window in the middle of the screen stays out.
    mapfile -t windows < <(small_windows)
    mapfile -t notices < <(xdotool search --onlyvisible --class Dunst 2>/dev/null || true)
    capture "$out/Desktop-notification-$language.png" 12 ${tray_window:+"$tray_window"} \
        "${notices[@]}" "${windows[@]}"
    stop_program
    stop_tray
    cp "$home/TrevaselForPravena.log" "$work/TrevaselForPravena-$language.log"
done

if [ "$failures" -gt 0 ]; then
    say "$failures step(s) did not go as expected; look at the pictures before using them"
    exit 1
fi
