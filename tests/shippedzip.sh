#!/usr/bin/env bash
# The zip tst_deployment made through the window, unpacked by Info-ZIP's unzip
# into a fresh folder: its program starts under wine with nothing of Qt on
# its path, as on a customer's machine.
#   tests/shippedzip.sh shipped.zip
# Needs an X display (xvfb-run), wine64 and unzip.
set -euo pipefail
zip=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work/customer"
program=$(echo "$work"/customer/*/trevalo.exe)
mkdir "$work/run"
# The working folder is where the program writes conf/conf.ini once its
# event loop runs; WINEPATH is empty, and the platform is Windows' own.
(cd "$work/run" && WINEPATH= WINEDEBUG=-all exec /usr/lib/wine/wine64 "$program") &
pid=$!
for _ in $(seq 100); do
    [ -f "$work/run/conf/conf.ini" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
[ -f "$work/run/conf/conf.ini" ] || { echo "the unzipped program did not start" >&2; exit 1; }
echo "the unzipped program started"
