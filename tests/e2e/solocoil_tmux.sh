#!/usr/bin/env bash
# Plays solocoil in a real terminal as a player does (see tmux_lib.sh): the
# first frame, a crash into the top wall and Enter, Escape and Ctrl+C, the
# terminal's modes compared before and after each, and no colour ever sent.
#
# Usage: solocoil_tmux.sh /path/to/solocoil   (exit 0: passed)
set -u

HEADER="Length: 10  Score: 0  Time: 1"
# shellcheck source=tmux_lib.sh
. "$(dirname "$0")/tmux_lib.sh" "$@"

# The whole pane with its colour escapes: tmux shows any colour the game set.
no_colour_anywhere() {
    local sgr
    sgr=$(t capture-pane -p -e -t game | grep -o $'\e\\[[0-9;]*m' | sort -u | tr -d '\033' | tr '\n' ' ')
    [ -z "$sgr" ] || [ "$sgr" = "[0m " ] || [ "$sgr" = "[39m " ] || fail "colour escapes on screen: $sgr"
}

start_game play
wall=$(printf '█%.0s' $(seq 70))
[ "$(row 1)" = "$wall" ] || fail "row 1 is not 70 wall cells"
[ "$(row 19)" = "$wall" ] || fail "row 19 is not 70 wall cells"
line=$(row 2)
[ "${line:2:1}" = "*" ] || fail "no * at (2, 2) on the first frame"
screen | sed -n '3,19p' | cut -c2-69 | grep -q '#' || fail "no # apple inside the board"
no_colour_anywhere
pass "first frame: short header, walls, * at (2, 2), # apple, no colour"

# Up at once: the first move puts the head on the top wall, the next frame's
# crash test ends the game.
t send-keys -t game Up
wait_until "Game Over" outcome_is 20 "Game Over"
line=$(row 1)
[ "${line:2:1}" = "▲" ] || fail "no ▲ head on the wall at (2, 1)"
no_colour_anywhere
sleep 0.3
running || fail "the game ended without waiting for Enter after Game Over"
t send-keys -t game Enter
end_game play 0
pass "Up into the wall: Game Over at (3, 20); Enter: status 0, modes restored"

start_game escape
t send-keys -t game Right
sleep 0.3
t send-keys -t game Escape
end_game escape 0
pass "Escape: status 0, modes restored"

start_game interrupt
t send-keys -t game C-c
end_game interrupt 130
pass "Ctrl+C: status 130, modes restored"

echo "PASS: solocoil in tmux"
