#!/usr/bin/env bash
# Runs a Windows program built here under wine, quietly, in the wine prefix
# that WINEPREFIX names (wine creates it on first use).
set -u
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="

# Wine's helper processes (services.exe and the like) start with the first
# program that needs them and keep that program's stdout and stderr open for
# as long as they live; ctest waits for those to close, three seconds or more
# per test. So the helpers are started here first, with no output, and the
# server keeps them for a while after the last program ends.
if wineserver -p30 2>/dev/null; then
  wine wineboot </dev/null >/dev/null 2>&1
fi

# Started from a terminal, a program gets a console, as on Windows. Without
# one (ctest, CI) it gets none, so lend it a pseudo-terminal; its output goes
# to a file rather than through the terminal, so it reads as written.
if [ -t 0 ]; then
  exec wine "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
script -qec "$(printf '%q ' wine "$@") >$(printf '%q' "$out") 2>&1" /dev/null </dev/null >/dev/null
status=$?
cat "$out"
exit $status
