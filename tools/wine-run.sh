#!/usr/bin/env bash
# Runs a Windows program under wine with a Qt kit's DLLs on its path:
#   tools/wine-run.sh KIT_BIN_FOLDER program.exe [arguments...]
# CMake's CROSSCOMPILING_EMULATOR for the MinGW-w64 build, so that ctest runs
# the Windows tests. WINEPREFIX picks the wine prefix (default: ~/.wine);
# wine needs an X display even for Qt's offscreen platform (xvfb-run).
set -euo pipefail
kit_bin=$(realpath "$1") # absolute: tests change their working directory
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPATH="$kit_bin${WINEPATH:+;$WINEPATH}"
# A crashing program ends at once with its exception code, as on Windows with
# its crash reporting off, instead of waiting for wine's debugger.
export WINEDLLOVERRIDES="winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
# Qt's offscreen platform draws text with the fonts of one folder; wine's
# drive Z: is the Linux root.
export QT_QPA_FONTDIR=${QT_QPA_FONTDIR:-Z:/usr/share/fonts/truetype/dejavu}
# Qt's messages go to the debugger on Windows unless asked for on standard error.
export QT_FORCE_STDERR_LOGGING=1
# Wine keeps QT_* variables from Windows programs (they are meant for its own
# host side) but passes WINEQT_* on as QT_*: QT_QPA_PLATFORM=offscreen and the
# one above reach the program that way.
for name in $(compgen -e); do
    if [[ $name == QT_* ]]; then export "WINE$name=${!name}"; fi
done
exec /usr/lib/wine/wine64 "$@"
