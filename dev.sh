#!/usr/bin/env bash
# Sets up, builds and runs Trevalo on Debian/Ubuntu.
#   ./dev.sh run     build and start the program (under Xvfb when there is no display)
#   ./dev.sh test    build and run the whole test suite
# Missing packages are installed with apt-get (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

command=${1:-}
build_dir=${BUILD_DIR:-build}

packages=(build-essential cmake qtbase5-dev qtbase5-dev-tools)
case "$command" in
    run) packages+=(fonts-wqy-microhei xvfb xauth) ;;
    test) ;;
    *) echo "usage: $0 run|test" >&2; exit 2 ;;
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

# CMAKE_ARGS adds options, e.g. CMAKE_ARGS=-DTREVALO_SANITIZE=ON.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-}
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
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
        ;;
esac
