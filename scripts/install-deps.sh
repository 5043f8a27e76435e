#!/bin/sh
# install-deps.sh [--run|--screenshots]: installs the Debian packages that the
# build and the tests need (and, with --run or --screenshots, what running the
# program or taking its pictures needs), the ja_JP.UTF-8 locale, and, where
# this machine can run 32-bit x86 programs, Debian's 32-bit Wine, which runs
# the release hazuro.exe. Installs only what is missing; safe to run again.
set -eu

packages="cmake ninja-build python3 python3-pefile googletest
g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix
binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
wine64 xvfb xauth locales"
# xdotool clicks and finds windows, xprop (x11-utils) reads a window's opacity,
# fonts-wine draws the caption buttons (Marlett). run.sh without a display
# shows the program at work the way screenshots.sh takes its pictures.
screenshot_packages="fonts-ipafont-gothic fonts-ipafont-mincho xcompmgr x11-apps
x11-utils imagemagick xdotool fonts-wine"
case "${1:-}" in
--run | --screenshots) packages="$packages $screenshot_packages" ;;
esac
if [ "${HAZURO_TEST_PRESET:-}" = tests-i686 ]; then
    packages="$packages g++-mingw-w64-i686-posix"
fi

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

updated=
apt_update() {
    [ -n "$updated" ] || $sudo apt-get update -q
    updated=yes
}

# Installs the packages named that are not installed yet.
apt_install() {
    missing=
    for p in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [ "$status" = "install ok installed" ] || missing="$missing $p"
    done
    [ -n "$missing" ] || return 0
    echo "install-deps: installing$missing"
    apt_update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}

apt_install $packages

# Wine converts non-ASCII file names only when the locale really exists.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\{0,1\}8$'; then
    echo "install-deps: generating the ja_JP.UTF-8 locale"
    $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# Whether this machine runs 32-bit x86 code is found out by running some: a
# 96-byte i386 Linux program that exits with 42. Kernel versions and settings
# do not tell; a virtual machine's host may forbid it whatever they say.
runs_32bit_code() {
    probe=$(mktemp)
    echo 'f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A' |
        base64 -d >"$probe"
    chmod +x "$probe"
    status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" = 42 ]
}

# Where the kernel runs 64-bit code only, Debian's qemu user-mode emulator
# runs 32-bit x86 programs instead, through the kernel's binfmt_misc. It needs
# qemu 8 or later: 7.2 spends about a minute on every start of Wine; bookworm
# has the newer one in its backports.
emulate_32bit_code() {
    installed=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
    if ! dpkg --compare-versions "${installed:-0}" ge 1:8; then
        apt_update
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
        suite=$codename
        candidate=$(apt-cache policy qemu-user | sed -n 's/^ *Candidate: //p')
        if ! dpkg --compare-versions "${candidate:-0}" ge 1:8; then
            suite=$codename-backports
            if ! apt-cache policy | grep -q " $suite/main "; then
                # The mirror that serves this release serves its backports too.
                mirror=$(apt-cache policy | awk -v s="$codename/main" '$3 == s { print $2; exit }')
                [ -n "$codename" ] && [ -n "$mirror" ] || return 1
                echo "deb $mirror $suite main" |
                    $sudo tee "/etc/apt/sources.list.d/$suite.list" >/dev/null
                updated=
                apt_update
            fi
        fi
        echo "install-deps: installing qemu-user from $suite"
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
            -t "$suite" qemu-user
    fi
    qemu=$(command -v qemu-i386) || return 1
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || $sudo mount -t binfmt_misc binfmt_misc $binfmt || return 1
    [ ! -e $binfmt/qemu-i386 ] || echo -1 | $sudo tee $binfmt/qemu-i386 >/dev/null
    # i386 ELF executables and shared objects. F: the kernel opens qemu now,
    # so it serves chroots and containers too.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" | $sudo tee $binfmt/register >/dev/null
}

if ! runs_32bit_code; then
    echo "install-deps: this kernel does not run 32-bit x86 programs; setting up Debian's qemu-i386 to run them"
    emulate_32bit_code || true
fi
if runs_32bit_code; then
    # The release hazuro.exe is 32-bit: Debian's 32-bit Wine runs it. Its
    # loader is called by path, never through the wine wrapper.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
        updated=
    fi
    apt_install wine32:i386
else
    echo "install-deps: this machine cannot run 32-bit x86 programs, so the release hazuro.exe cannot run here; only its x86_64 build will"
fi
