#!/bin/sh
# test.sh: installs what is missing, builds the release hazuro.exe and the test
# build, and runs every test under Wine on a virtual X display: the end-to-end
# tests on the x86_64 build and on the release hazuro.exe itself.
# HAZURO_TEST_PRESET=tests-i686 runs the tests on the 32-bit build instead.
set -eu
cd "$(dirname "$0")/.."
preset=${HAZURO_TEST_PRESET:-tests-x64}

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
cmake --preset "$preset"
cmake --build --preset "$preset"
status=0
xvfb-run -a ctest --preset "$preset" || status=$?
if ! scripts/wine32-works.sh; then
    echo "test.sh: the shipped build/release/hazuro.exe was NOT run: this machine cannot run"
    echo "test.sh: 32-bit Windows programs under Wine, so e2e_release was skipped and only"
    echo "test.sh: the x86_64 build of the same sources was tested end to end."
fi
exit $status
