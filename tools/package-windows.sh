#!/usr/bin/env bash
# Makes the download for Windows users and checks it:
#   tools/package-windows.sh BUILD_DIR KIT_DIR   (./dev.sh package-windows runs it)
# BUILD_DIR holds a MinGW-w64 build of trevalo.exe, KIT_DIR the Qt kit it was
# built with. Writes dist/trevalo-<version>-windows-x64.zip: trevalo.exe
# deployed by the kit's windeployqt.exe, with the MinGW runtime, a short
# README.txt (docs/zip-readme.txt) on using and configuring it, LICENSE and the
# licences of what it ships (licenses/). Then unpacks
# the zip into a clean folder, starts trevalo.exe there under wine (Xvfb, the
# windows platform) with nothing of the kit on its path, and waits for its
# window. Needs: wine64, xvfb, xauth, xdotool, mingw-w64.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=$(realpath "$1")
kit=$(realpath "$2")
version=$(sed -n 's/^project(Trevalo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=trevalo-$version-windows-x64
wine=/usr/lib/wine/wine64
export WINEPREFIX=${WINEPREFIX:-$build_dir/wine} WINEDEBUG=-all

if [ -z "${PACKAGE_IN_XVFB:-}" ]; then
    PACKAGE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
program=
# The started trevalo.exe is ended and waited for before the wine server goes:
# ended by the server instead, bash would report it ("Killed") after the last
# line.
cleanup() {
    if [ -n "$program" ]; then
        kill "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true
    fi
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The tool copies the MinGW runtime from beside the g++.exe it finds on PATH,
# as in a MinGW installation.
mkdir -p "$work/$name" "$work/mingw"
cp "$kit"/bin/lib*.dll "$work/mingw/"
touch "$work/mingw/g++.exe"
x86_64-w64-mingw32-strip -o "$work/$name/trevalo.exe" "$build_dir/trevalo.exe"
WINEPATH="$work/mingw" "$wine" "$kit/bin/windeployqt.exe" --release --no-translations \
    "$work/$name/trevalo.exe"
for file in Qt5Core.dll Qt5Gui.dll Qt5Widgets.dll platforms/qwindows.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll; do
    [ -f "$work/$name/$file" ] || { echo "The deployment left out $file" >&2; exit 1; }
done

# Notepad's line ends, and a byte-order mark so that it reads the UTF-8.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' docs/zip-readme.txt; } > "$work/$name/README.txt"
# The licences of what the zip ships, and where Qt's source is.
cp LICENSE "$work/$name/"
cp -r licenses "$work/$name/"
qt_version=$(sed -n 's/^set(PACKAGE_VERSION \([0-9.]*\))$/\1/p' "$kit/lib/cmake/Qt5Core/Qt5CoreConfigVersion.cmake")
cat > "$work/$name/licenses/Qt-source.txt" <<EOF
The Qt DLLs and plugins in this download are Qt $qt_version. Its source:
https://download.qt.io/archive/qt/${qt_version%.*}/$qt_version/submodules/qtbase-everywhere-opensource-src-$qt_version.tar.xz
Every Qt version's source: https://download.qt.io/archive/qt/
EOF

mkdir -p dist
rm -f "dist/$name.zip"
(cd "$work" && cmake -E tar cf "$OLDPWD/dist/$name.zip" --format=zip "$name")
echo "wrote dist/$name.zip"

# The check: the licences are in the zip; then a clean folder, no kit on the
# DLL path, the user's own working directory (where conf/conf.ini is written).
mkdir -p "$work/check/home"
(cd "$work/check" && cmake -E tar xf "$OLDPWD/dist/$name.zip")
for file in LICENSE licenses/README.txt licenses/LGPL-3.0.txt licenses/GPL-3.0.txt \
    licenses/GCC-RUNTIME-LIBRARY-EXCEPTION-3.1.txt licenses/winpthreads.txt; do
    cmp -s "$file" "$work/check/$name/$file" || { echo "dist/$name.zip lacks $file" >&2; exit 1; }
done
grep -q "qtbase-everywhere-opensource-src-$qt_version.tar.xz" "$work/check/$name/licenses/Qt-source.txt" \
    || { echo "dist/$name.zip does not say where Qt $qt_version's source is" >&2; exit 1; }
(cd "$work/check/home" && unset WINEPATH && exec "$wine" "../$name/trevalo.exe") &
program=$!
# A search that meets a window going away (the window may be made again once
# shown) ends with an X error: search again, for a minute in all.
deadline=$((SECONDS + 60))
window=
until [ -n "$window" ] || [ $SECONDS -ge $deadline ]; do
    window=$(timeout $((deadline - SECONDS + 1)) xdotool search --sync --onlyvisible --name '^MainWindow$' \
        2>/dev/null | head -n 1) || true
    [ -n "$window" ] || sleep 1
done
if [ -z "$window" ]; then
    echo "trevalo.exe from dist/$name.zip showed no window under wine" >&2
    exit 1
fi
echo "dist/$name.zip: trevalo.exe starts and shows its window"
