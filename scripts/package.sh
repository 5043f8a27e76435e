#!/bin/sh
# package.sh: installs what is missing and builds the release package:
# build/release/hazuro-<version>.zip (hazuro/hazuro.exe and readme.txt) and
# build/release/SHA256SUMS. The zip is dated with the commit, so the same
# commit always gives the same bytes.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "package.sh: warning: uncommitted changes; this zip cannot be made again from a commit" >&2
fi
cmake --preset release
cmake --build --preset release --target hazuro_package
cd build/release
sha256sum --strict -c SHA256SUMS
cat SHA256SUMS
