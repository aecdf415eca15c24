#!/usr/bin/env bash
# Takes a picture of trevalo.exe under wine after it has deployed a copy of
# itself with the kit's real windeployqt.exe, for the README:
#   tools/screenshot-windows.sh [output.png]   (default: docs/screenshot-windows.png)
# Runs the program from dist/trevalo-<version>-windows-x64.zip (make it with
# ./dev.sh package-windows first) under Xvfb, the windows platform and the
# Windows style, and drives it with xdotool: choose the executable in the
# file dialog, click Run, take the picture.
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
    SCREENSHOT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1600x800x24" "$0" "$@"
fi

work=$(mktemp -d)
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

(cd "$work" && cmake -E tar xf "$OLDPWD/dist/$name.zip")
mkdir -p "$work/home/conf" "$work/Demo"
cp "$work/$name/trevalo.exe" "$work/Demo/Demo.exe"
printf '[QTDIR]\nPATH=Z:%s\n' "$kit" > "$work/home/conf/conf.ini"

# Windows has Arial, which the form asks for; Liberation Sans has its metrics.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null
# Qt's own file dialog: wine's native one does not take the keyboard here.
(cd "$work/home" && exec "$wine" "../$name/trevalo.exe" -platform windows:dialogs=none) &
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^MainWindow$' | head -n 1)
xdotool windowmove --sync "$window" 0 0
sleep 2
# "..." beside AppPath opens the file dialog, whose file name field has the focus.
xdotool mousemove --sync 864 117 click 1
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Save File$' | head -n 1)
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "Z:$work/Demo/Demo.exe"
xdotool key Return
sleep 2
# Run, at the bottom of the right-hand column.
xdotool mousemove --sync 679 520 click 1
sleep 4
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"
