#!/usr/bin/env bash
# duelcoil sends only what changed on the screen; when the terminal can no
# longer be trusted to show what was sent, it must send everything again.
# In an 80x24 tmux pane: the screen cleared while the game is stopped by
# Ctrl+Z, then fg; and the pane shrunk (cutting the board) and grown back.
# Each time the whole board (header, walls) must be back within a second,
# long before the game's own redraw of the table every hundred frames.
#
# Usage: duelcoil_redraw_tmux.sh /path/to/duelcoil   (exit 0: passed)
set -u

HEADER="Length: 8  Score: 0          Time: 1          Length: 8  Score: 0"
# shellcheck source=tmux_lib.sh
. "$(dirname "$0")/tmux_lib.sh" "$@"

wall=$(printf '█%.0s' $(seq 70))
board_shown() {
    local side
    side=$(row 10)
    [[ $(row 0) == "Length: 8  Score: 0"* ]] && [ "$(row 1)" = "$wall" ] && [ "$(row 19)" = "$wall" ] &&
        [ "${side:0:1}${side:69:1}" = "██" ]
}
# Up to 1 s: the table is redrawn by the game itself only every 100 frames.
board_back_soon() {
    local i
    for ((i = 0; i < 20; i++)); do
        board_shown && return 0
        sleep 0.05
    done
    fail "$1: the board was not sent again"
}

start_game redraw
wait_until "the board" board_shown
# Just after the table was drawn: its next redraw is about eight seconds away.
sleep 0.5

t send-keys -t game C-z
wait_until "the game to stop" stopped
type_line "printf '\\033[H\\033[2J'"
wait_until "the pane to clear" test -z "$(row 1)"
type_line "fg"
wait_until "the game to resume" running
board_back_soon "Ctrl+Z, clear, fg"
pass "after Ctrl+Z, a cleared screen and fg, the whole board is back"

t resize-window -t game -x 50 -y 12
wait_until "the smaller pane" test "$(t display-message -p -t game '#{pane_width}')" = 50
sleep 0.3
t resize-window -t game -x 80 -y 24
wait_until "the pane back at 80x24" test "$(t display-message -p -t game '#{pane_width}x#{pane_height}')" = 80x24
board_back_soon "shrunk and grown back"
pass "after the pane shrank and grew back, the whole board is back"

t send-keys -t game Escape
end_game redraw 0
pass "Escape: status 0, modes restored"
echo "PASS: duelcoil redraws after a stop and a resize"
