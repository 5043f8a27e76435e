#!/bin/sh
# run.sh: installs what is missing, builds, and starts hazuro under Wine: the
# release hazuro.exe where this machine runs 32-bit Windows programs, else the
# x86_64 build of the same sources. Without an X display there is nobody to
# show a window to: it shows the program at work on a private virtual display
# instead, writes build/demo/before.png and after.png, and ends.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh --run
if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: no X display (DISPLAY is unset): showing hazuro at work on a private virtual display"
    exec tools/screenshots.sh --demo
fi

exe=$(scripts/build-exe.sh)
export WINEPREFIX="$PWD/build/wineprefix-run"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
# A prefix made before 32-bit Wine was installed has an empty syswow64 and
# cannot start the release build.
syswow64=$WINEPREFIX/drive_c/windows/syswow64
if [ "$exe" = build/release/hazuro.exe ] && [ -d "$syswow64" ] && [ ! -f "$syswow64/kernel32.dll" ]; then
    rm -rf "$WINEPREFIX"
fi
echo "run.sh: starting $exe"
exec /usr/lib/wine/wine64 "$exe"
