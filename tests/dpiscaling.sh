#!/usr/bin/env bash
# Starts trevalo.exe under wine with the windows platform at 96, 144 and 192
# DPI (the LogPixels that Windows' 100, 150 and 200 % display scaling set) and
# checks that the window is scaled as a whole: its width and its height both
# grow with the DPI, not only its fonts. Then once more at 96 DPI on a
# 1280x800 screen without Arial, which wine then replaces with a font of far
# taller lines: the window fits the screen and the pane keeps its share of it.
#   tests/dpiscaling.sh KIT_BIN_FOLDER trevalo.exe
# Needs an X display (xvfb-run), wine64, xdotool and ImageMagick. Uses a wine
# prefix of its own, whose display settings it changes.
set -euo pipefail
kit_bin=$(realpath "$1")
program=$(realpath "$2")
without_arial=${3:-}
wine=/usr/lib/wine/wine64
WINEPREFIX=$(mktemp -d)
work=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$work"' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1
# Windows has Arial, which the form asks for; Liberation Sans has its metrics.
[ -n "$without_arial" ] \
    || "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null

# Starts the program at a DPI and sets WIDTH, HEIGHT and window.
start() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    # The working folder is where the program keeps conf/conf.ini.
    (cd "$work" && WINEPATH="$kit_bin" exec "$wine" "$program" -platform windows) &
    pid=$!
    # Once shown, the window may still be made again; its last one counts.
    # Other tests show windows of the same name on this display: only the one
    # of this process counts (wine names its process in _NET_WM_PID).
    geometry=
    for attempt in 1 2 3 4 5; do
        window=$(timeout 60 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^MainWindow$' \
            | head -n 1) || true
        sleep 2
        geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null) && break
    done
    [ -n "$geometry" ] || { echo "no window at $1 DPI" >&2; exit 1; }
    eval "$geometry"
    echo "$1 DPI${without_arial:+ without Arial}: window ${WIDTH}x${HEIGHT}"
}
stop() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    /usr/lib/wine/wineserver -w
}

if [ -n "$without_arial" ]; then
    start 96
    # The pane is the black run at the left of a row through the Run button.
    import -window "$window" "$work/window.png"
    pane=$(convert "$work/window.png" -crop "$((WIDTH / 2))x1+0+$((HEIGHT * 3 / 4))" +repage \
        -threshold 5% -negate -format '%[fx:round(mean*w)]' info:)
    stop
    read -r screen_width screen_height < <(xdotool getdisplaygeometry)
    status=0
    if [ "$WIDTH" -gt "$screen_width" ] || [ "$HEIGHT" -gt "$screen_height" ]; then
        echo "the window is larger than the ${screen_width}x${screen_height} screen" >&2
        status=1
    fi
    if [ $((100 * pane)) -lt $((33 * WIDTH)) ] || [ $((100 * pane)) -gt $((39 * WIDTH)) ]; then
        echo "the pane is $pane of the window's $WIDTH pixels, not about 0.36 of them" >&2
        status=1
    fi
    echo "the pane is $pane of $WIDTH pixels"
    exit $status
fi

declare -A widths heights
for dpi in 96 144 192; do
    start "$dpi"
    widths[$dpi]=$WIDTH
    heights[$dpi]=$HEIGHT
    stop
done

# Scaled as a whole: each side within 3 % of the 96-DPI one times the scale.
status=0
check() { # side dpi size size-at-96
    local expected=$(($4 * $2 / 96))
    if [ $((100 * $3)) -lt $((97 * expected)) ] || [ $((100 * $3)) -gt $((103 * expected)) ]; then
        echo "at $2 DPI the window's $1 is $3, not about $expected" >&2
        status=1
    fi
}
for dpi in 144 192; do
    check width "$dpi" "${widths[$dpi]}" "${widths[96]}"
    check height "$dpi" "${heights[$dpi]}" "${heights[96]}"
done
xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$1" "$2" without-arial || status=1
exit $status
