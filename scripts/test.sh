#!/bin/sh
# test.sh: installs what is missing, builds the release hazuro.exe and the test
# build, and runs every test under Wine on a virtual X display.
# HAZURO_TEST_PRESET=tests-i686 runs the tests on the 32-bit build instead
# (needs a machine that runs 32-bit code and Debian's 32-bit Wine).
set -eu
cd "$(dirname "$0")/.."
preset=${HAZURO_TEST_PRESET:-tests-x64}

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
cmake --preset "$preset"
cmake --build --preset "$preset"
xvfb-run -a ctest --preset "$preset"
