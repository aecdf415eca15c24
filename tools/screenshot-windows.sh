#!/usr/bin/env bash
# Takes a picture of trevalo.exe under wine after it has deployed a copy of
# itself with the kit's real windeployqt.exe, for the README:
#   tools/screenshot-windows.sh [output.png]   (default: docs/screenshot-windows.png)
#   SCREENSHOT_DPI=192 tools/screenshot-windows.sh docs/screenshot-windows-192dpi.png
# Runs the program from dist/trevalo-<version>-windows-x64.zip (make it with
# ./dev.sh package-windows first) under Xvfb, the windows platform and the
# Windows style, at the display scaling SCREENSHOT_DPI gives (96: 100 %,
# 192: 200 %), with the copy to deploy as its argument, and drives it with
# xdotool: click Run, take the picture.
# Needs: wine64 fonts-wine fonts-liberation fonts-wqy-microhei xvfb xauth xdotool imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."

output=$(realpath -m "${1:-docs/screenshot-windows.png}")
build_dir=$(realpath "${BUILD_DIR:-build-windows}")
kit=$(realpath "${TREVALO_QT_KIT:-$build_dir/qt5-mingw}")
version=$(sed -n 's/^project(Trevalo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=trevalo-$version-windows-x64
wine=/usr/lib/wine/wine64
export WINEPREFIX=${WINEPREFIX:-$build_dir/wine} WINEDEBUG=-all

if [ -z "${SCREENSHOT_IN_XVFB:-}" ]; then
    SCREENSHOT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1800x1400x24" "$0" "$@"
fi

work=$(mktemp -d)
program=
# The started trevalo.exe is ended and waited for first, so that bash does not
# report it as Killed; the prefix is left at 100 % display scaling.
cleanup() {
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true
    fi
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$work" && cmake -E tar xf "$OLDPWD/dist/$name.zip")
mkdir -p "$work/home/conf" "$work/Demo"
cp "$work/$name/trevalo.exe" "$work/Demo/Demo.exe"
printf '[QTDIR]\nPATH=Z:%s\n' "$kit" > "$work/home/conf/conf.ini"

# Windows has Arial, which the form asks for; Liberation Sans has its metrics.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null
dpi=${SCREENSHOT_DPI:-96}
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
(cd "$work/home" && exec "$wine" "../$name/trevalo.exe" "Z:$work/Demo/Demo.exe") &
program=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^MainWindow$' | head -n 1)
xdotool windowmove --sync "$window" 0 0
sleep 3
# Run, at the bottom of the right-hand column, wherever the scaling puts it.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --sync $((WIDTH * 81 / 100)) $((HEIGHT * 79 / 100)) click 1
sleep 4
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"
