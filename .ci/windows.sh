#!/usr/bin/env bash
# CI for Windows: cross-builds both programs and the tests with MinGW-w64 and
# runs them under wine: the unit tests, the console layer's tests and each
# program's first frame in tmux, all through ctest. Fresh Debian machine, as
# root, no stdin.
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n=== windows: %s (%ss)\n' "$*" "$SECONDS"; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
need=()
for package in cmake make g++-mingw-w64-x86-64 wine wine64 tmux googletest python3; do
  installed "$package" || need+=("$package")
done
if [ ${#need[@]} -gt 0 ]; then
  step "installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

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
