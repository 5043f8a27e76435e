#!/bin/sh
# build-exe.sh: builds hazuro and prints the path of the hazuro.exe to start
# under Wine: the release build, the file that ships, where this machine runs
# 32-bit Windows programs; elsewhere the x86_64 build of the same sources.
set -eu
cd "$(dirname "$0")/.."

cmake --preset release >&2
cmake --build --preset release >&2
if scripts/wine32-works.sh; then
    echo build/release/hazuro.exe
else
    cmake --preset tests-x64 >&2
    cmake --build --preset tests-x64 --target hazuro >&2
    echo build/tests-x64/hazuro.exe
fi
