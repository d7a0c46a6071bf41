#!/usr/bin/env bash
# CI for Windows: cross-builds both programs and the tests with MinGW-w64 and
# runs them under wine through ctest: the core tests, and duelcoil.exe's first
# frame on a console screen buffer. Fresh Debian machine, as root, no stdin.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n=== windows: %s (%ss)\n' "$*" "$SECONDS"; }

. .ci/need.sh
need cmake make g++-mingw-w64-x86-64 wine wine64 googletest

# The build's wine prefix; its server lingers a little after the last test.
export WINEPREFIX="$PWD/build-mingw/wineprefix"
trap 'wineserver -k 2>/dev/null || true' EXIT

step "configure (MinGW-w64 cross build, warnings as errors, wine prefix)"
rm -rf build-mingw
cmake --preset mingw >/dev/null
step "build"
cmake --build --preset mingw -j"$(nproc)"
step "tests under wine"
ctest --preset mingw
step "done"
