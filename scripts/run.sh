#!/bin/sh
# run.sh: installs what is missing, builds, and starts hazuro under Wine.
# The release hazuro.exe is 32-bit; where this machine cannot run 32-bit code,
# the same sources built for x86_64 are started instead.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh --run
cmake --preset release
cmake --build --preset release
cmake --preset tests-x64
cmake --build --preset tests-x64 --target hazuro

export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-run}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8

exe=build/release/hazuro.exe
loader=
if command -v wine >/dev/null 2>&1 && wine cmd /c exit >/dev/null 2>&1; then
    loader=wine
else
    loader=/usr/lib/wine/wine64
    exe=build/tests-x64/hazuro.exe
    echo "run.sh: this machine cannot run 32-bit Windows programs; starting the x86_64 build"
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: no X display (DISPLAY is unset); starting on a virtual display that nobody sees"
    exec xvfb-run -a "$loader" "$exe"
fi
exec "$loader" "$exe"
