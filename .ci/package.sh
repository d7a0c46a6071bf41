#!/usr/bin/env bash
# CI: the Debian package. Builds it, has lintian check it, installs it, starts
# each installed game once in a terminal (tmux) and leaves it with Escape, then
# removes the package, whether the checks pass or not.
# Runs as root on a fresh Debian machine, without standard input.
set -euo pipefail
cd "$(dirname "$0")/.."
. .ci/need.sh
# CPack's DEB generator runs dpkg-shlibdeps (dpkg-dev) and file.
need cmake g++ make dpkg-dev file lintian tmux

step() { printf '\n=== package: %s (%ss)\n' "$*" "$SECONDS"; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }
# within SECONDS COMMAND...: true once COMMAND succeeds, tried every 0.1 s.
within() { local i; for i in $(seq $(($1 * 10))); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

work=$(mktemp -d)
socket=coil-package-$$
installed=no
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    [ "$installed" = no ] || dpkg -r coil-games >/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

step "cmake --workflow --preset package"
rm -rf build-package
cmake --workflow --preset package >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "package workflow"; }
deb=$(echo build-package/coil-games_*.deb)

step "lintian: no errors, no warnings (informational tags shown)"
lintian --tag-display-limit 0 --display-info --fail-on error,warning "$deb"

step "contents of $deb"
dpkg-deb --contents "$deb"

step "dpkg -i, each game in an 80x24 tmux pane until Escape, dpkg -r"
installed=yes
dpkg -i "$deb" >/dev/null
row0() { tmux -L "$socket" capture-pane -p -t "$1" -S 0 -E 0; }
drawn() { [[ "$(row0 "$1")" == Length:* ]]; }
for game in duelcoil solocoil; do
    status=$work/$game.status
    tmux -L "$socket" -f /dev/null -u new-session -d -s "$game" -x 80 -y 24 \
        "env LANG=C.UTF-8 /usr/games/$game; echo \$? >$status"
    within 10 drawn "$game" || { row0 "$game" || true; fail "$game drew no header"; }
    header=$(row0 "$game")
    tmux -L "$socket" send-keys -t "$game" Escape
    within 10 test -s "$status" || fail "$game did not end on Escape"
    [ "$(cat "$status")" = 0 ] || fail "$game ended with status $(cat "$status") on Escape, not 0"
    echo "ok: /usr/games/$game drew '$header' and ended with status 0 on Escape"
done
dpkg -r coil-games >/dev/null
installed=no
step "done"
