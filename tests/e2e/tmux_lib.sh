# Shared by the end-to-end scripts: a tmux server with a shell in an 80x24
# pane, helpers to read the screen, and starting and ending a game from that
# shell with its `stty -g` noted before and compared after.
#
# The sourcing script passes its own arguments (the game's path) and sets
# HEADER (what row 0 starts with on the first frame) before sourcing.
if [ $# -ne 1 ] || [ ! -x "$1" ]; then
    echo "usage: $0 /path/to/game" >&2
    exit 2
fi
GAME="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
GAME_NAME=$(basename "$GAME")
GAME_NAME=${GAME_NAME:0:15} # as the kernel names the process

SOCK="$GAME_NAME-e2e-$$"
T=$(mktemp -d "${TMPDIR:-/tmp}/$GAME_NAME-e2e.XXXXXX") || exit 1
STARTED=0
SOCKET_PATH=
cleanup() {
    if [ "$STARTED" = 1 ]; then
        tmux -L "$SOCK" kill-server 2>/dev/null
        [ -n "$SOCKET_PATH" ] && rm -f "$SOCKET_PATH" # kill-server leaves it behind
    fi
    rm -rf "$T"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP

t() { tmux -u -L "$SOCK" -f /dev/null "$@"; }
screen() { t capture-pane -p -t game; }
row() { screen | sed -n "$(($1 + 1))p"; }

fail() {
    echo "FAIL: $*" >&2
    if [ "$STARTED" = 1 ]; then
        echo "--- the pane showed ---" >&2
        screen >&2
    fi
    exit 1
}
pass() { echo "ok: $*"; }

# Polls a condition for up to 5 s.
wait_until() {
    local what=$1 i
    shift
    for ((i = 0; i < 100; i++)); do
        "$@" && return 0
        sleep 0.05
    done
    fail "timed out waiting for $what"
}

# ---- Without a terminal ------------------------------------------------------

if command -v setsid >/dev/null && setsid --help 2>&1 | grep -q -- --wait; then
    setsid --wait "$GAME" </dev/null >"$T/notty.out" 2>"$T/notty.err"
    rc=$?
    [ "$rc" -ne 0 ] || fail "without a terminal the game exited 0"
    [ "$(wc -l <"$T/notty.err")" -eq 1 ] || fail "without a terminal, stderr was not one line: $(cat "$T/notty.err")"
    grep -q "terminal" "$T/notty.err" || fail "the no-terminal message does not say so: $(cat "$T/notty.err")"
    [ ! -s "$T/notty.out" ] || fail "without a terminal the game still wrote to standard output"
    pass "no terminal: status $rc, stderr: $(cat "$T/notty.err")"
else
    echo "note: no setsid --wait here; the no-terminal check is skipped"
fi

# ---- In tmux -----------------------------------------------------------------

command -v tmux >/dev/null || fail "tmux is not installed"
LOC=$(locale -a 2>/dev/null | grep -i -m 1 -E '^(C|en_US)\.utf-?8$')
[ -n "$LOC" ] || fail "no UTF-8 locale (C.UTF-8 or en_US.UTF-8) to read the board's characters with"
export LC_ALL=$LOC # ${line:col:n} below counts characters, not bytes

# dash leaves the terminal's modes alone. bash puts its own back whenever a job
# stops or dies by a signal, which would hide a game that fails to.
if command -v dash >/dev/null; then
    PANE_SHELL="dash -i"
else
    PANE_SHELL="bash --norc --noprofile -i"
    echo "note: no dash; under bash the Ctrl+C and Ctrl+Z mode checks prove less"
fi
unset TMUX
t new-session -d -s game -x 80 -y 24 "env -u ENV LC_ALL=$LOC PS1='\$ ' $PANE_SHELL" ||
    fail "tmux could not start"
STARTED=1
SOCKET_PATH=$(t display-message -p '#{socket_path}')
t set-option -g status off >/dev/null
size=$(t display-message -p -t game '#{pane_width}x#{pane_height}')
[ "$size" = "80x24" ] || fail "the pane is $size, not 80x24"

type_line() {
    t send-keys -t game -l "$1"
    t send-keys -t game Enter
}
running() { [ "$(t display-message -p -t game '#{pane_current_command}')" = "$GAME_NAME" ]; }
stopped() { ! running; }
header_shown() { [[ $(row 0) == "$HEADER"* ]]; }
# The outcome message $2 written from column 3 of row $1.
outcome_is() {
    local line
    line=$(row "$1")
    [ "${line:3:${#2}}" = "$2" ]
}

# The SGR code in effect where text first shows on a row, from tmux's own
# rendering of the screen (colours carry over from the rows above).
color_at() {
    local cap above line
    cap=$(t capture-pane -p -e -t game)
    above=$(printf '%s\n' "$cap" | head -n "$1")
    line=$(printf '%s\n' "$cap" | sed -n "$(($1 + 1))p")
    [[ $line == *"$2"* ]] || return 0
    printf '%s\n%s' "$above" "${line%%"$2"*}" | grep -o $'\e\\[[0-9;]*m' | tail -n 1 | tr -d '\033['
}
expect_color() { # row text code what
    local got
    got=$(color_at "$1" "$2")
    [ "$got" = "$3m" ] || fail "$4 ($2 on row $1) has SGR '${got:-none}', expected $3"
}

# Clears the pane and starts the game from the shell, after noting the modes.
start_game() {
    type_line "printf '\\033[H\\033[2J'; stty -g > '$T/before.$1'; '$GAME'"
    wait_until "the game to start ($1)" running
    wait_until "the header ($1)" header_shown
}

# Once the game has ended: its exit status and the terminal's modes, as the shell sees them.
end_game() { # tag expected-status
    wait_until "the game to end ($1)" stopped
    type_line "echo \$? > '$T/rc.$1'; stty -g > '$T/after.$1'"
    wait_until "the shell to run a line typed after the game ($1; a terminal left out of line mode would not)" \
        test -s "$T/after.$1"
    local rc
    rc=$(cat "$T/rc.$1")
    [ "$rc" = "$2" ] || fail "$1: exit status $rc, expected $2"
    cmp -s "$T/before.$1" "$T/after.$1" ||
        fail "$1: terminal modes not restored: before $(cat "$T/before.$1"), after $(cat "$T/after.$1")"
}

