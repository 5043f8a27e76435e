#!/bin/sh
# idle-cpu.sh [SECONDS]: the CPU time that hazuro uses in its automatic mode
# over SECONDS (default 60), once with a matching window open that refuses to
# be faded (tried again at every tick) and once without, under Wine on a
# virtual display. Runs the hazuro.exe that scripts/build-exe.sh names, after
# scripts/test.sh has built the test build (its test program opens the window).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
exe=$(scripts/build-exe.sh)
cmake --build --preset tests-x64 --target hazuro_tests >/dev/null
export WINEPREFIX="$PWD/build/tests-x64/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
xvfb-run -a sh -c '
    set -eu
    loader=/usr/lib/wine/wine64 exe=$1 seconds=$2
    sh tests/wineprefix.sh start "$loader"
    # utime + stime of a process, in milliseconds
    cpu_ms() { awk -v hz="$(getconf CLK_TCK)" "{ print (\$14 + \$15) * 1000 / hz }" "/proc/$1/stat"; }
    for refusing in yes no; do
        work=$(mktemp -d)
        cp "$exe" "$work/hazuro.exe"
        printf "[config]\r\nietitle=hazuro idle\r\nalpha=50\r\nauto=1\r\n" >"$work/hazuro.ini"
        child=
        if [ $refusing = yes ]; then
            "$loader" build/tests-x64/tests/hazuro_tests.exe --child-window refusing \
                "hazuro idle refusing" none >/dev/null 2>&1 &
            child=$!
            sleep 3
        fi
        "$loader" "$work/hazuro.exe" >/dev/null 2>&1 &
        sleep 5
        # Wine shows the program by its Windows path.
        pid=$(pgrep -f "^Z:.*hazuro\.exe" | head -n 1)
        before=$(cpu_ms "$pid")
        sleep "$seconds"
        after=$(cpu_ms "$pid")
        echo "idle-cpu: automatic mode, refusing window open: $refusing;" \
            "hazuro used $((after - before)) ms of CPU time in $seconds s"
        kill "$pid" $child 2>/dev/null || true
        wait 2>/dev/null || true
        rm -rf "$work"
    done
    sh tests/wineprefix.sh stop "$loader"
' sh "$exe" "$seconds"
