#!/bin/sh
# screenshots.sh [--demo]: remakes docs/main-window.png, docs/settings-dialog.png,
# docs/before.png, docs/after.png, docs/system-menu.png and docs/tray-menu.png.
# Runs hazuro and Wine's Notepad on a private virtual X display with a
# compositing manager, which is what shows a layered window really
# translucent, and clicks through the program.
# --demo (what run.sh does without a display) only shows the program's main job:
# Notepad before and after a click on the big button, as build/demo/before.png
# and after.png, and the opacity that Notepad's window then has.
# Runs the release hazuro.exe where this machine runs 32-bit Windows programs.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
demo=
[ "${1:-}" != --demo ] || demo=yes
pictures=$root/docs
[ -z "$demo" ] || pictures=$root/build/demo

scripts/install-deps.sh --screenshots
exe=$(scripts/build-exe.sh)
if [ -z "$demo" ]; then
    # Its helper opens the icon's menu.
    cmake --preset tests-x64 >/dev/null
    cmake --build --preset tests-x64 --target sweep_benchmark >/dev/null
fi

loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$root/build/wineprefix-shots"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
unset DISPLAY

work=$(mktemp -d)
xvfb_pid= xcompmgr_pid= backdrop_pid=
cleanup() {
    status=$?
    trap - EXIT INT TERM
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w >/dev/null 2>&1 || true
    for pid in $backdrop_pid $xcompmgr_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "screenshots: $*" >&2
    exit 1
}

# Polls "$@" for up to 30 seconds.
wait_for() {
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 300 ] || return 1
        sleep 0.1
    done
}

# Prints the id of the visible window whose title matches, waiting for it.
find_window() {
    id=$(timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && echo "$id"
}

# Sets X Y W H to the window's place on the screen.
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    W=$WIDTH H=$HEIGHT
}

# capture OUT X Y W H: writes that part of the screen as a small PNG.
capture() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "$4x$5+$2+$3" +repage -strip -colors 256 \
        -define png:exclude-chunks=date,time "PNG8:$pictures/$1"
}

# Gives the program time to paint after the window appeared or changed.
settle() {
    sleep 2
}

# The screen: big enough for both programs side by side, small enough to crop.
width=800 height=600
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display")
export DISPLAY

xcompmgr >"$work/xcompmgr.log" 2>&1 &
xcompmgr_pid=$!
# Something bold behind Notepad, so that what shows through is plain to see.
xlogo -render -geometry "${width}x${height}+0+0" -bg '#3a6ea5' -fg '#f2c14e' \
    >"$work/xlogo.log" 2>&1 &
backdrop_pid=$!
find_window '^xlogo$' >/dev/null || fail "the backdrop did not appear"

# The tests' prefix set-up, with the prefix's server started on this display.
sh tests/wineprefix.sh start "$loader"
if [ ! -f "$WINEPREFIX/.screenshots-ready" ]; then
    reg() { "$loader" reg add "$@" /f >/dev/null 2>&1; }
    # Notepad where hazuro's window does not cover it.
    notepad='HKCU\Software\Microsoft\Notepad'
    reg "$notepad" /v iWindowPosX /t REG_DWORD /d 40
    reg "$notepad" /v iWindowPosY /t REG_DWORD /d 190
    reg "$notepad" /v iWindowPosDX /t REG_DWORD /d 460
    reg "$notepad" /v iWindowPosDY /t REG_DWORD /d 300
    # The faces hazuro asks for, as close as free fonts come.
    substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    reg "$substitutes" /v 'ＭＳ 明朝' /d IPAMincho
    reg "$substitutes" /v 'ＭＳ ゴシック' /d IPAGothic
    # A caret that never blinks gives the same pictures every run.
    reg 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d -1
    # Debian's Wine does not find its own Marlett; without it the caption
    # buttons show as letters.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    touch "$WINEPREFIX/.screenshots-ready"
fi

# hazuro reads its settings from beside the exe, in code page 932; a shortcut
# key (Ctrl+Alt+F9) and two more rules show in the settings dialog, and its
# icon is in the notification area.
mkdir "$work/app"
cp "$exe" "$work/app/"
printf '[config]\r\nietitle=メモ帳\r\nalpha=32\r\ntray=1\r\nhotkey=1656\r\nietitle2=Mozilla Firefox\r\nalpha2=96\r\nprogram3=msedge.exe\r\nalpha3=128\r\n' |
    iconv -f UTF-8 -t CP932 >"$work/app/hazuro.ini"
printf '今日の作業メモ\r\n\r\n- 見積書を作る\r\n- 会議は15時から\r\n- hazuro の画面を撮る\r\n' |
    iconv -f UTF-8 -t CP932 >"$work/memo.txt"

"$loader" notepad "Z:$(printf '%s' "$work/memo.txt" | tr / '\\')" >"$work/notepad.log" 2>&1 &
notepad=$(find_window 'メモ帳') || fail "Notepad did not appear"
"$loader" "$work/app/hazuro.exe" >"$work/hazuro.log" 2>&1 &
main=$(find_window '^hazuro Ver1\.00$') || fail "hazuro did not appear"
settle
mkdir -p "$pictures"

geometry "$main"
main_w=$W main_h=$H
[ -n "$demo" ] || capture main-window.png "$X" "$Y" "$W" "$H"

# Wine draws the frame itself: the client area sits centred at the bottom.
border=$(((main_w - 370) / 2))
client_y=$((main_h - 125 - border))

# The settings button spans the client area at y 90..115.
if [ -z "$demo" ]; then
    xdotool mousemove --window "$main" $((border + 185)) $((client_y + 102)) click 1
    dialog=$(find_window '^設定$') || fail "the settings dialog did not appear"
    settle
    geometry "$dialog"
    capture settings-dialog.png "$X" "$Y" "$W" "$H"
    xdotool key Escape
    wait_for sh -c "! xdotool search --onlyvisible --name '^設定\$'" || fail "the settings dialog did not close"
fi

# A click on its caption brings Notepad to the front, as a user would have it.
geometry "$notepad"
xdotool mousemove --window "$notepad" $((W / 2)) 10 click 1
settle
margin=20
shot_x=$((X - margin)) shot_y=$((Y - margin)) shot_w=$((W + 2 * margin)) shot_h=$((H + 2 * margin))
capture before.png "$shot_x" "$shot_y" "$shot_w" "$shot_h"

# The apply button spans the client area at y 10..80.
xdotool mousemove --window "$main" $((border + 185)) $((client_y + 45)) click 1
wait_for sh -c "xprop -id $notepad _NET_WM_WINDOW_OPACITY | grep -q =" ||
    fail "Notepad was not faded"
settle
capture after.png "$shot_x" "$shot_y" "$shot_w" "$shot_h"

# hazuro's system menu, opened from the keyboard, now with a window to give
# back; Up takes the highlight round to the last item, "元に戻す".
if [ -z "$demo" ]; then
    xdotool key alt+space
    xdotool key Up
    settle
    geometry "$main"
    capture system-menu.png "$X" "$Y" "$W" 326
    xdotool key Escape Escape

    # The icon's menu, opened where the pointer is, as by a right-click on
    # the icon.
    xdotool mousemove 470 20
    "$loader" build/tests-x64/tests/sweep_benchmark.exe --tray-menu || fail "no menu to open"
    settle
    capture tray-menu.png 470 20 300 228
    xdotool key Escape
fi

pngs="main-window settings-dialog before after system-menu tray-menu"
[ -z "$demo" ] || pngs="before after"
echo "screenshots: $exe, started under Wine, faded Notepad"
for f in $pngs; do
    echo "screenshots: ${pictures#"$root"/}/$f.png $(identify -format '%wx%h' "$pictures/$f.png"), $(wc -c <"$pictures/$f.png") bytes"
done
# Wine hands a layered window's opacity to X as a fraction of 0xFFFFFFFF.
opacity=$(xprop -id "$notepad" _NET_WM_WINDOW_OPACITY | sed -n 's/.* = //p')
echo "screenshots: Notepad's opacity read back from its window: $opacity of 4294967295," \
    "that is $(((opacity * 255 + 2147483647) / 4294967295)) of 255"
