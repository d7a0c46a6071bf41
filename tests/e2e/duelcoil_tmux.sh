#!/usr/bin/env bash
# Plays duelcoil in a real terminal the way a player does: tmux runs a shell
# in an 80x24 pane, the game is started from that shell, keys are sent to it
# and the screen is read back. After every way out (crash and Enter, Escape,
# Ctrl+C, Ctrl+Z and fg) the shell's `stty -g` must read as it did before.
#
# Usage: duelcoil_tmux.sh /path/to/duelcoil   (exit 0: passed)
set -u

HEADER="Length: 8  Score: 0          Time: 1          Length: 8  Score: 0"
# shellcheck source=tmux_lib.sh
. "$(dirname "$0")/tmux_lib.sh" "$@"

# 1-3: the board, steering both snakes, a crash, the outcome and Enter.
start_game play
wall=$(printf '█%.0s' $(seq 70))
[ "$(row 1)" = "$wall" ] || fail "row 1 is not 70 wall cells"
[ "$(row 19)" = "$wall" ] || fail "row 19 is not 70 wall cells"
side=$(row 10)
[ "${side:0:1}${side:69:1}" = "██" ] || fail "row 10 has no side walls"
pass "board and header drawn"

# Player 1 right, player 2 up into the top wall nine cells away. The Enter is
# typed during play and must not answer the outcome screen.
t send-keys -t game Right w Enter
wait_until "Player 1 WIN" outcome_is 21 "Player 1 WIN"
pass "player 2 crashed into the wall: Player 1 WIN at (3, 21)"

line=$(row 1)
[ "${line:60:1}" = "▲" ] || fail "no ▲ head on the wall at column 60 of row 1"
for r in 2 3 4 5 6 7 8; do
    line=$(row "$r")
    [ "${line:60:1}" = "║" ] || fail "no ║ body at column 60 of row $r"
done
[[ $(row 10) =~ ═+► ]] || fail "player 1 shows no ═══► on row 10"
expect_color 1 "▲" 91 "player 2's head"
expect_color 10 "►" 96 "player 1's head"
expect_color 19 "█" 90 "the walls"
expect_color 0 "Length" 90 "the header"
apple_row=$(screen | grep -n -m 1 "☻" | cut -d: -f1)
[ -n "$apple_row" ] || fail "no ☻ apple on the board"
expect_color $((apple_row - 1)) "☻" 93 "the apple"
pass "glyphs ▲ ║ ═ ► █ ☻ in bright red, cyan, dark grey and yellow"

sleep 0.3
running || fail "the game ended without waiting for Enter after the outcome"
t send-keys -t game Enter
end_game play 0
prompt_row=$(screen | grep -n -m 1 -F 'echo $?' | cut -d: -f1)
[ -n "$prompt_row" ] || fail "the shell line after the game is not on screen"
code=$(color_at $((prompt_row - 1)) "echo")
[ "$code" = "39m" ] || fail "the shell's line after the game is in SGR '$code', not the default colour"
pass "Enter ended it: status 0, modes restored, colour reset"

# 4: Escape ends the game at once.
start_game escape
t send-keys -t game Escape
end_game escape 0
pass "Escape: status 0, modes restored"

# 5: Ctrl+C kills it by SIGINT.
start_game interrupt
t send-keys -t game C-c
end_game interrupt 130
pass "Ctrl+C: status 130, modes restored"

# 6: Ctrl+Z stops it with the shell's modes back; fg resumes play in raw mode
# (a lone w would wait for Enter in line mode and never steer).
start_game suspend
t send-keys -t game C-z
wait_until "the game to stop" stopped
type_line "stty -g > '$T/stopped.suspend'"
wait_until "the shell to run a line typed while the game is stopped (a terminal left out of line mode would not)" \
    test -s "$T/stopped.suspend"
cmp -s "$T/before.suspend" "$T/stopped.suspend" ||
    fail "modes while stopped: $(cat "$T/stopped.suspend"), expected $(cat "$T/before.suspend")"
pass "Ctrl+Z: stopped with the modes restored"
type_line "fg"
wait_until "the game to resume" running
t send-keys -t game w
wait_until "Player 1 WIN after fg" outcome_is 21 "Player 1 WIN"
t send-keys -t game Enter
end_game suspend 0
pass "fg: keys steered again; Enter ended it with status 0, modes restored"

echo "PASS: duelcoil in tmux"
