#!/usr/bin/env bash
# Sets up, builds and runs Trevalo on Debian/Ubuntu.
#   ./dev.sh run     build and start the program (under Xvfb when there is no display)
#   ./dev.sh test    build and run the whole test suite
#   ./dev.sh bench   build in Release and print the benchmark table (--short: fewer repetitions)
#   ./dev.sh test-windows   cross-build for Windows and run the whole test suite under wine
#   ./dev.sh package-windows   cross-build and write dist/trevalo-<version>-windows-x64.zip
#   ./dev.sh bench-windows     cross-build and print the benchmark table under wine (--short)
# QT_MAJOR=6 builds and tests with Qt 6 instead of Qt 5, into build folders of
# its own (build-qt6, build-windows-qt6, ...), e.g. QT_MAJOR=6 ./dev.sh test.
# Missing packages are installed with apt-get (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

command=${1:-}
qt_major=${QT_MAJOR:-5}
case "$qt_major" in
    5) qt_packages=(qtbase5-dev qtbase5-dev-tools qtbase5-private-dev); suffix= ;;
    # The private headers hold Qt's zip classes (package/ziparchive.cpp). The
    # Windows kit runs the host's moc, uic and rcc; it names these three.
    6) qt_packages=(qt6-base-dev qt6-base-dev-tools qt6-base-private-dev); suffix=-qt6 ;;
    *) echo "QT_MAJOR is 5 or 6, not $qt_major" >&2; exit 2 ;;
esac
build_dir=${BUILD_DIR:-build$suffix}
build_type=RelWithDebInfo
cmake_args=(-DTREVALO_QT_MAJOR="$qt_major")

packages=(build-essential cmake "${qt_packages[@]}")
# The tests' Windows programs and DLLs (tests/fixtures.cmake) are made with MinGW.
packages+=(mingw-w64)
case "$command" in
    run) packages+=(fonts-wqy-microhei xvfb xauth) ;;
    # The window's size is checked with DejaVu and Liberation Sans (Arial's
    # metrics); the zip is read back by Python's zipfile and Info-ZIP's unzip.
    test) packages+=(fonts-dejavu-core fonts-liberation python3 unzip) ;;
    # Measured figures come from an optimised build of their own.
    bench) build_dir=${BUILD_DIR:-build-release$suffix}; build_type=Release ;;
    test-windows | package-windows | bench-windows)
        build_dir=${BUILD_DIR:-build-windows$suffix}
        packages+=(mingw-w64 g++-mingw-w64-x86-64-posix wine64 xvfb xauth xz-utils fonts-dejavu-core
            fonts-liberation xdotool imagemagick)
        # The local HTTPS server the HTTPS program fetches a page from.
        [ "$command" = test-windows ] && packages+=(python3 openssl)
        ;;
    *) echo "usage: $0 run|test|bench [--short]|test-windows|package-windows|bench-windows [--short]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [[ $command == *-windows ]]; then
    # Unpacks a kit archive into the build folder, once for each archive:
    # <archive> <the folder it unpacks to>.
    unpack_kit() {
        local stamp=$build_dir/$2/.unpacked-from
        if [ "$(cat "$stamp" 2>/dev/null)" != "$1" ]; then
            mkdir -p "$build_dir"
            tar -xJf "$1" -C "$build_dir"
            echo "$1" >"$stamp"
        fi
    }
    # The Qt 6 kit with Qt QML and Qt Quick is a superset of the plain one and
    # is taken where its archive lies beside the repository: the suite then
    # also deploys a Qt Quick program.
    quick6=../shared/qt6-mingw-quick/qt6-mingw-quick-kit.tar.xz
    archive6=${TREVALO_QT6_KIT_ARCHIVE:-$quick6}
    [ -f "$archive6" ] || archive6=../shared/qt6-mingw/qt6-mingw-kit.tar.xz

    # A Qt kit built for Windows with MinGW-w64: TREVALO_QT_KIT names an
    # unpacked one; otherwise the archive beside the repository is unpacked.
    kit=${TREVALO_QT_KIT:-}
    if [ -z "$kit" ]; then
        archive=../shared/qt5-mingw/qt5-mingw-kit.tar.xz
        [ "$qt_major" = 5 ] || archive=$archive6
        archive=${TREVALO_QT_KIT_ARCHIVE:-$archive}
        [ -f "$archive" ] || { echo "No Qt kit for Windows: see docs/building.md, The Qt kit" >&2; exit 1; }
        unpack_kit "$archive" "qt$qt_major-mingw"
        kit=$PWD/$build_dir/qt$qt_major-mingw
    fi
    cmake_args+=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTREVALO_QT_KIT="$kit")
    # The suite also deploys Qt 6 programs with a Qt 6 kit's own tool:
    # TREVALO_QT6_KIT names an unpacked kit, or the archive beside the
    # repository is unpacked; without either those cases are skipped.
    if [ "$command" = test-windows ]; then
        kit6=${TREVALO_QT6_KIT:-}
        if [ -z "$kit6" ] && [ -f "$archive6" ]; then
            unpack_kit "$archive6" qt6-mingw
            kit6=$PWD/$build_dir/qt6-mingw
            # Qt Network and its TLS plugins for that kit go over it, and
            # OpenSSL 3 beside it as Qt's installer lays it out: the suite
            # then deploys an HTTPS program.
            network6=../shared/qt6-mingw-net
            if [ -f "$network6/qt6-network-addon.tar.xz" ] && [ ! -f "$kit6/bin/Qt6Network.dll" ]; then
                tar -xJf "$network6/qt6-network-addon.tar.xz" -C "$build_dir"
            fi
            if [ -f "$network6/openssl3-mingw.tar.xz" ] && [ ! -d "$build_dir/openssl3/Tools" ]; then
                mkdir -p "$build_dir/openssl3"
                tar -xJf "$network6/openssl3-mingw.tar.xz" -C "$build_dir/openssl3"
            fi
        fi
        if [ -f "$kit6/bin/windeployqt.exe" ]; then
            cmake_args+=(-DTREVALO_QT6_KIT="$kit6")
        fi
        if [ -d "$build_dir/openssl3/Tools/OpenSSLv3" ]; then
            cmake_args+=(-DTREVALO_OPENSSL3="$PWD/$build_dir/openssl3/Tools/OpenSSLv3")
        fi
        if [ ! -f "$kit6/bin/qmlimportscanner.exe" ]; then
            echo "No Qt 6 kit with Qt Quick ($quick6): the Qt Quick program's deployment is skipped" >&2
        fi
    fi
    export WINEPREFIX=${WINEPREFIX:-$PWD/$build_dir/wine}
fi

# CMAKE_ARGS adds options, e.g. CMAKE_ARGS=-DTREVALO_SANITIZE=ON.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" "${cmake_args[@]}" ${CMAKE_ARGS:-}
cmake --build "$build_dir" --parallel "$(nproc)"

case "$command" in
    run)
        # conf/conf.ini is read from, and written to, the working directory.
        cd "$build_dir"
        if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
            exec xvfb-run -a ./trevalo
        fi
        exec ./trevalo
        ;;
    test)
        cd "$build_dir"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure
        ;;
    bench)
        exec "$build_dir/bench/trevalo_bench" "${@:2}"
        ;;
    test-windows)
        # Wine needs an X display even for Qt's offscreen platform. The wine
        # prefix is made first, so that parallel tests do not race to make it;
        # its server is stopped afterwards.
        # The screen holds the window at 200 % display scaling.
        # Wine now and then fails to start a process (CreateProcess ends with
        # "Internal error", 1 start in about 7,500 under load), which fails
        # whatever test started it; the tests that failed run once more, alone.
        cd "$build_dir"
        exec xvfb-run -a -s "-screen 0 2400x1600x24" bash -c '
            WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
            status=0
            QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" ||
                QT_QPA_PLATFORM=offscreen ctest --output-on-failure --rerun-failed || status=$?
            /usr/lib/wine/wineserver -k || true
            exit $status'
        ;;
    package-windows)
        # The zip ships Qt 5 (docs/building.md, Qt 5 and Qt 6, says why).
        [ "$qt_major" = 5 ] || { echo "The Windows zip is made with Qt 5 only" >&2; exit 2; }
        exec tools/package-windows.sh "$build_dir" "$kit"
        ;;
    bench-windows)
        # The table adds a real deployment with the kit's windeployqt.exe.
        export TREVALO_QT_KIT=$kit
        exec xvfb-run -a tools/wine-run.sh "$kit/bin" "$build_dir/bench/trevalo_bench.exe" "${@:2}"
        ;;
esac
