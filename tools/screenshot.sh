#!/usr/bin/env bash
# Takes a picture of the window after a deployment run, for the README.
#   tools/screenshot.sh [success|failure] [output.png]   (default: docs/screenshot.png)
# Runs the built program (build/trevalo) under Xvfb against the stand-in tool
# (build/tests/standin_windeployqt) and drives it with xdotool: choose an
# executable, click Run, take the picture. Build first with ./dev.sh test.
# Needs: xvfb xauth xdotool imagemagick fonts-wqy-microhei.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-success}
output=${2:-docs/screenshot.png}
build_dir=$(realpath "${BUILD_DIR:-build}")

# Qt scales the window by the screen's DPI, which Xvfb reports as 100 unless
# told otherwise; 1440x960 pixels are whole millimetres at exactly 96 DPI,
# so the picture shows the window at 100 %.
if [ -z "${SCREENSHOT_IN_XVFB:-}" ]; then
    SCREENSHOT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1440x960x24 -dpi 96" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/kit/bin" "$work/conf" "$work/Demo/release"
cp "$build_dir/tests/standin_windeployqt" "$work/kit/bin/windeployqt.exe"
printf '[QTDIR]\nPATH=%s\n' "$work/kit" > "$work/conf/conf.ini"
touch "$work/Demo/release/Demo.exe"

export STANDIN_STDOUT='Demo.exe 64 bit, release executable
Adding Qt5Svg for qsvgicon.dll
Direct dependencies: Qt5Core Qt5Gui Qt5Qml Qt5Quick Qt5Widgets
Updating Qt5Core.dll.
Updating Qt5Gui.dll.
Updating Qt5Qml.dll.
Updating Qt5Quick.dll.
Updating Qt5Widgets.dll.
Creating qt_en.qm...
'
if [ "$mode" = failure ]; then
    export STANDIN_STDERR='Error: Unable to find the platform plugin.'
    export STANDIN_EXIT_CODE=1
fi

(cd "$work" && exec "$build_dir/trevalo") &
pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^MainWindow$' | head -n 1)
sleep 1
# The window sits at the top left of the screen; its width depends on the
# fonts. "..." beside AppPath is at its right edge, Run below it.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --sync $((WIDTH - 26)) 120 click 1
sleep 1
xdotool type --delay 20 "$work/Demo/release/Demo.exe"
xdotool key Return
sleep 1
xdotool mousemove --sync $((WIDTH - 200)) 520 click 1
sleep 2
mkdir -p "$(dirname "$output")"
import -window "$window" "$output"
echo "wrote $output"
