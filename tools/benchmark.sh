#!/bin/sh
# benchmark.sh [N K]...: runs one sweep over N windows of which K match, under
# Wine on a virtual display; by default N=300 with K=0, 30 and 100.
set -eu
cd "$(dirname "$0")/.."
build=build/tests-x64
cmake --build --preset tests-x64 --target sweep_benchmark >/dev/null
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
[ $# -gt 0 ] || set -- 300 0 300 30 300 100
# The prefix's system processes must start on the same display as the windows.
xvfb-run -a sh -c '
    loader=/usr/lib/wine/wine64; exe=$1; shift
    sh tests/wineprefix.sh start "$loader"
    while [ $# -ge 2 ]; do "$loader" "$exe" "$1" "$2"; shift 2; done
    sh tests/wineprefix.sh stop "$loader"
' sh "$build/tests/sweep_benchmark.exe" "$@"
