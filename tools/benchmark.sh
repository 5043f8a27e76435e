#!/bin/sh
# benchmark.sh [N K ORDER]...: runs one sweep over N windows of another
# process of which K match, at the top of the z-order, at the bottom or spread
# (ORDER top, bottom or spread), and ticks of the automatic mode after it,
# under Wine on a virtual display; by default N=300 with K=0, 30 and 100
# spread, and K=100 at the top and at the bottom, then K=100 spread once with
# one rule and once with sixteen (ORDER "spread rules").
# benchmark.sh --idle [SECONDS [EXE]]: the CPU time that hazuro uses over SECONDS
# (default 60): in its automatic mode, once with a matching window open that
# refuses to be faded (tried again at every tick) and once without; then with
# 300 windows of another process open, with the active window shown opaque
# off and on, the window under the pointer shown opaque on, and in the
# automatic mode with one rule and with sixteen, seven of them program names;
# then with the mouse moving continuously, the wheel item off and on. Runs EXE, by default the hazuro.exe that scripts/build-exe.sh
# names (which runs under qemu where the machine runs no 32-bit code, and
# then uses several times the CPU time it would natively).
# benchmark.sh --wheel [EXE]: how soon a notch of Ctrl+Alt and the wheel shows
# on a window, with 300 windows of another program open.
# All need the test build that scripts/test.sh makes.
set -eu
cd "$(dirname "$0")/.."
build=build/tests-x64
loader=/usr/lib/wine/wine64

if [ "${1:-}" != --on-display ]; then
    if [ "${1:-}" = --idle ]; then
        set -- --idle "${2:-60}" "${3:-$(scripts/build-exe.sh)}"
        cmake --build --preset tests-x64 --target hazuro_tests sweep_benchmark >/dev/null
    elif [ "${1:-}" = --wheel ]; then
        set -- --wheel "${2:-$(scripts/build-exe.sh)}"
        cmake --build --preset tests-x64 --target sweep_benchmark >/dev/null
    else
        [ $# -gt 0 ] || set -- 300 0 spread 300 30 spread 300 100 spread 300 100 top 300 100 bottom \
            300 100 "spread rules"
        cmake --build --preset tests-x64 --target sweep_benchmark >/dev/null
    fi
    export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
    exec xvfb-run -a sh "$0" --on-display "$@"
fi
shift

# utime + stime of a process, in milliseconds
cpu_ms() {
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"
}

# One run of hazuro with one more line of settings, beside a helper process
# started by the command given (none if empty).
idle_case() {
    label=$1 setting=$2 helper=$3
    work=$(mktemp -d)
    cp "$exe" "$work/hazuro.exe"
    printf '[config]\r\nietitle=hazuro-idle\r\nalpha=50\r\n%s\r\n' "$setting" >"$work/hazuro.ini"
    child=
    if [ -n "$helper" ]; then
        $helper >/dev/null 2>&1 &
        child=$!
        sleep 5
    fi
    "$loader" "$work/hazuro.exe" >/dev/null 2>&1 &
    sleep 5
    # Wine shows the program by its Windows path, after qemu's where it runs.
    pid=$(pgrep -f 'Z:.*hazuro\.exe' | head -n 1)
    before=$(cpu_ms "$pid")
    sleep "$seconds"
    after=$(cpu_ms "$pid")
    echo "benchmark: $label: hazuro used $((after - before)) ms of CPU time in $seconds s"
    kill "$pid" $child 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}

idle() {
    seconds=$1 exe=$2
    refusing="$loader $build/tests/hazuro_tests.exe --child-window refusing hazuro-idle none"
    windows="$loader $build/tests/sweep_benchmark.exe --serve 300 0 spread none"
    idle_case "automatic mode, a refusing window open" auto=1 "$refusing"
    idle_case "automatic mode" auto=1 ""
    idle_case "300 windows, active window opaque off" active=0 "$windows"
    idle_case "300 windows, active window opaque on" active=1 "$windows"
    idle_case "300 windows, window under the pointer opaque on" hover=1 "$windows"
    idle_case "300 windows, automatic mode, one rule" auto=1 "$windows"
    rules=auto=1
    for n in 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
        key=ietitle; [ $((n % 2)) = 1 ] || [ $n = 16 ] || key=program
        rules=$(printf '%s\r\n%s%d=no-such-%d\r\nalpha%d=64' "$rules" $key $n $n $n)
    done
    idle_case "300 windows, automatic mode, sixteen rules, seven of them programs" "$rules" "$windows"
    mover="$loader $build/tests/sweep_benchmark.exe --move-mouse $((seconds + 20))"
    idle_case "mouse moving, wheel item off" wheel=0 "$mover"
    idle_case "mouse moving, wheel item on" wheel=1 "$mover"
}

wheel() {
    work=$(mktemp -d)
    cp "$1" "$work/hazuro.exe"
    printf '[config]\r\nietitle=hazuro-idle\r\nalpha=50\r\nwheel=1\r\n' >"$work/hazuro.ini"
    "$loader" "$work/hazuro.exe" >/dev/null 2>&1 &
    sleep 5
    "$loader" $build/tests/sweep_benchmark.exe --notch
    kill "$(pgrep -f 'Z:.*hazuro\.exe' | head -n 1)" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}

# The prefix's system processes must start on the same display as the windows.
sh tests/wineprefix.sh start "$loader"
if [ "$1" = --idle ]; then
    idle "$2" "$3"
elif [ "$1" = --wheel ]; then
    wheel "$2"
else
    # shellcheck disable=SC2086  # ORDER may carry "rules"
    while [ $# -ge 3 ]; do "$loader" $build/tests/sweep_benchmark.exe "$1" "$2" $3; shift 3; done
fi
sh tests/wineprefix.sh stop "$loader"
