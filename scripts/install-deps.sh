#!/bin/sh
# install-deps.sh [--run|--screenshots]: installs the Debian packages that the
# build and the tests need (and, with --run or --screenshots, what running the
# program or taking its pictures needs), and the ja_JP.UTF-8 locale. Installs
# only what is missing; safe to run again.
set -eu

packages="cmake ninja-build python3 python3-pefile googletest
g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix
binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
wine64 xvfb xauth locales"
case "${1:-}" in
--run) packages="$packages fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine" ;;
# xdotool clicks and finds windows, xprop (x11-utils) tells when a fade has
# landed, fonts-wine draws the caption buttons (Marlett).
--screenshots) packages="$packages fonts-ipafont-gothic fonts-ipafont-mincho xcompmgr x11-apps
    x11-utils imagemagick xdotool fonts-wine" ;;
esac
# On a machine that runs 32-bit code, HAZURO_TEST_PRESET=tests-i686 also needs
# g++-mingw-w64-i686-posix and Debian's 32-bit Wine.
if [ "${HAZURO_TEST_PRESET:-}" = tests-i686 ]; then
    packages="$packages g++-mingw-w64-i686-posix"
fi

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

missing=
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "install-deps: installing$missing"
    $sudo apt-get update -q
    # wine32 is left out on purpose: where it is installed, Debian's wine
    # wrapper prefers the 32-bit loader, which fails on 64-bit-only kernels.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi

# Wine converts non-ASCII file names only when the locale really exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\{0,1\}8$'; then
    echo "install-deps: generating the ja_JP.UTF-8 locale"
    $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
