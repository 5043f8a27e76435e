#!/bin/sh
# check_reproducible.sh CMAKE SOURCE_DIR RELEASE_DIR WORK_DIR: builds the release
# once more, from scratch, in WORK_DIR with the release build's generator,
# toolchain and flags, and compares the two hazuro.exe byte for byte. The build
# directories differ, so an embedded path or time stamp shows as a difference.
set -eu
cmake=$1
source=$2
release=$3
work=$4
cache=$release/CMakeCache.txt

if [ ! -f "$cache" ] || [ ! -f "$release/hazuro.exe" ]; then
    echo "check_reproducible: no release build in $release;" \
        "run cmake --preset release && cmake --build --preset release first"
    exit 1
fi
cached() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }

# Only what the release cache sets, so the environment's CXXFLAGS and the like
# cannot make the second build differ.
set -- -G "$(cached CMAKE_GENERATOR)" -DHAZURO_TESTS=OFF
for var in CMAKE_TOOLCHAIN_FILE HAZURO_MINGW_THREADS CMAKE_BUILD_TYPE \
    CMAKE_CXX_FLAGS CMAKE_RC_FLAGS CMAKE_EXE_LINKER_FLAGS; do
    set -- "$@" "-D$var=$(cached $var)"
done

rm -rf "$work"
"$cmake" -S "$source" -B "$work" "$@"
"$cmake" --build "$work" --target hazuro

if cmp -s "$release/hazuro.exe" "$work/hazuro.exe"; then
    echo "check_reproducible: $work/hazuro.exe is identical to $release/hazuro.exe" \
        "($(wc -c <"$work/hazuro.exe") bytes)"
    exit 0
fi
echo "check_reproducible: $work/hazuro.exe differs from $release/hazuro.exe"
echo "  (a release build older than the sources differs too; rebuild it first)"
echo "  sizes: $(wc -c <"$release/hazuro.exe") and $(wc -c <"$work/hazuro.exe") bytes;" \
    "first differing bytes (offset, octal values):"
cmp -l "$release/hazuro.exe" "$work/hazuro.exe" 2>&1 | head -n 16 | sed 's/^/    /'
exit 1
