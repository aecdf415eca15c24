#!/usr/bin/env bash
# Sets up, builds and runs Trevalo on Debian/Ubuntu.
#   ./dev.sh run     build and start the program (under Xvfb when there is no display)
#   ./dev.sh test    build and run the whole test suite
#   ./dev.sh bench   build in Release and print the benchmark table (--short: fewer repetitions)
# Missing packages are installed with apt-get (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

command=${1:-}
build_dir=${BUILD_DIR:-build}
build_type=RelWithDebInfo

packages=(build-essential cmake qtbase5-dev qtbase5-dev-tools)
case "$command" in
    run) packages+=(fonts-wqy-microhei xvfb xauth) ;;
    test) ;;
    # Measured figures come from an optimised build of their own.
    bench) build_dir=${BUILD_DIR:-build-release}; build_type=Release ;;
    *) echo "usage: $0 run|test|bench [--short]" >&2; exit 2 ;;
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
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" ${CMAKE_ARGS:-}
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
    bench)
        exec "$build_dir/bench/trevalo_bench" "${@:2}"
        ;;
esac
