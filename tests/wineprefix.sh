#!/bin/sh
# wineprefix.sh start|stop LOADER: prepares the tests' own Wine prefix and keeps
# one wineserver running for the whole test run, or stops it again.
set -eu
action=$1
loader=$2
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEPREFIX

wineserver=$(dirname "$(command -v "$loader")")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

# A 64-bit prefix made before 32-bit Wine was installed has an empty syswow64
# and cannot start 32-bit programs. (A 32-bit prefix has no syswow64 at all.)
scripts=$(dirname "$0")/../scripts
needs_32bit_part() {
    syswow64=$WINEPREFIX/drive_c/windows/syswow64
    [ -d "$syswow64" ] && [ ! -f "$syswow64/kernel32.dll" ] && sh "$scripts/wine32-works.sh"
}

case $action in
start)
    if [ ! -f "$WINEPREFIX/.hazuro-ready" ] || needs_32bit_part; then
        rm -rf "$WINEPREFIX"
        "$loader" wineboot -i >/dev/null 2>&1
        # Without a window manager Wine waits for every captioned window that
        # is hidden or destroyed; unmanaged windows need no wait.
        "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "$wineserver" -w
        touch "$WINEPREFIX/.hazuro-ready"
    fi
    # A server already running for the prefix (another test run) is fine too.
    "$wineserver" -p </dev/null >/dev/null 2>&1 || true
    # Start the prefix's own system processes now, away from the test output
    # pipes that they would otherwise inherit and hold open.
    "$loader" wineboot </dev/null >/dev/null 2>&1
    ;;
stop)
    "$wineserver" -k </dev/null >/dev/null 2>&1 || true
    ;;
esac
