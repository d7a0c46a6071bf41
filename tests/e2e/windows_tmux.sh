#!/usr/bin/env bash
# A Windows program in a real terminal: runs duelcoil.exe or solocoil.exe
# under wine in tmux, waits for the first frame and checks every cell of the
# board, the header and the readouts, characters and colours as tmux saw them.
#
# Wine sees no key state in a terminal, so nothing can be steered: the game
# stays at rest until the session is closed.
#
# usage: windows_tmux.sh duelcoil|solocoil PROGRAM.exe [RUNNER...]
# RUNNER is the command that runs a Windows program (default: wine).
set -euo pipefail

if [ $# -lt 2 ] || { [ "$1" != duelcoil ] && [ "$1" != solocoil ]; }; then
  echo "usage: $0 duelcoil|solocoil PROGRAM.exe [RUNNER...]" >&2
  exit 2
fi
game=$1
program=$2
shift 2
runner=("$@")
[ ${#runner[@]} -gt 0 ] || runner=(env WINEDEBUG=-all wine)

# Wine writes the console to the terminal in the locale's encoding.
export LC_ALL=C.UTF-8
socket="coil-$game-$$"
work=$(mktemp -d)
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

tmux -L "$socket" -f /dev/null new-session -d -x 80 -y 24 \
  "$(printf '%q ' "${runner[@]}" "$program"); echo; echo 'program ended'; sleep 600"

# The first frame is complete once its last write, the bottom wall's last cell,
# is on the screen. A fresh wine prefix takes a while to start.
wall=$(printf '\u2588%.0s' {1..70})
for _ in $(seq 300); do
  tmux -L "$socket" capture-pane -p >"$work/plain"
  if [ "$(sed -n 20p "$work/plain")" = "$wall" ] && grep -q '^Length: ' "$work/plain"; then break; fi
  grep -q '^program ended' "$work/plain" && break
  sleep 0.2
done
cat >"$work/check.py" <<'EOF'
import re
import sys

game, colour_file, plain_file, report = sys.argv[1:]
colour_text = open(colour_file, encoding="utf-8").read()
plain_text = open(plain_file, encoding="utf-8").read()

# capture-pane -e puts SGR sequences before the cells whose attributes change;
# they carry over from line to line. Terminal colours are numbered 0-7 with red
# as bit 0 and blue as bit 2, bright ones 8-15 (90-97, or bold with 30-37);
# console attributes have blue as bit 0 and red as bit 2.
def console_attribute(fg, bold):
    if fg is None:
        return None
    if fg < 8 and bold:
        fg += 8
    return (fg & 0b1010) | (fg & 1) << 2 | (fg & 4) >> 2


fg, bold = None, False
grid, unknown = [], set()
for line in colour_text.split("\n"):
    row, i = [], 0
    while i < len(line):
        m = re.match(r"\x1b\[([0-9;]*)m", line[i:])
        if m:
            params = [int(p) if p else 0 for p in m.group(1).split(";")]
            while params:
                p = params.pop(0)
                if p == 0:
                    fg, bold = None, False
                elif p == 1:
                    bold = True
                elif p == 22:
                    bold = False
                elif 30 <= p <= 37:
                    fg = p - 30
                elif 90 <= p <= 97:
                    fg = p - 90 + 8
                elif p == 39:
                    fg = None
                elif p == 38 and params[:1] == [5]:
                    fg = params[1]
                    del params[:2]
                elif not (40 <= p <= 49 or 100 <= p <= 107):
                    unknown.add(m.group(0))
            i += m.end()
            continue
        if line[i] == "\x1b":
            unknown.add(repr(line[i:i + 8]))
        row.append((line[i], console_attribute(fg, bold)))
        i += 1
    grid.append(row)

problems = []
if unknown:
    problems.append(f"escape sequences this check does not know: {sorted(unknown)}")
plain_rows = plain_text.split("\n")
for y in range(20):  # the readouts under the board change while capturing
    parsed = "".join(ch for ch, _ in grid[y]).rstrip() if y < len(grid) else ""
    plain = plain_rows[y].rstrip() if y < len(plain_rows) else ""
    if parsed != plain:
        problems.append(f"row {y}: the coloured capture reads {parsed!r}, the plain one {plain!r}")


def cell(x, y):
    row = grid[y] if y < len(grid) else []
    return row[x] if x < len(row) else (" ", None)


def text(y, x, n):
    return "".join(cell(x + i, y)[0] for i in range(n))


def expect(x, y, ch, colour):
    got = cell(x, y)
    if got != (ch, colour):
        problems.append(f"({x},{y}): expected {ch!r} in colour {colour}, got {got[0]!r} in colour {got[1]}")


DARK_GREY, LIGHT_CYAN, LIGHT_RED, YELLOW = 8, 11, 12, 14
if game == "duelcoil":
    header = "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0"
    table, snakes, apple, readouts = DARK_GREY, {(10, 10): LIGHT_CYAN, (60, 10): LIGHT_RED}, ("\u263b", YELLOW), LIGHT_RED
else:
    header = "Length: 10  Score: 0  Time: 1"
    table, snakes, apple, readouts = None, {(2, 2): None}, ("#", None), None

for x, ch in enumerate(header):
    expect(x, 0, ch, table)
if text(0, len(header), 80 - len(header)).strip():
    problems.append(f"row 0 goes on after the header: {text(0, 0, 80)!r}")
for y in range(1, 20):
    for x in range(80):
        on_wall = (y in (1, 19) and x < 70) or x in (0, 69)
        if on_wall:
            expect(x, y, "\u2588", table)
        elif (x, y) in snakes:
            expect(x, y, "*", snakes[(x, y)])
        elif cell(x, y)[0] == apple[0] and 1 <= x <= 68 and 2 <= y <= 18:
            expect(x, y, *apple)
            snakes[(x, y)] = "apple"
        elif cell(x, y)[0] != " ":
            problems.append(f"({x},{y}): unexpected {cell(x, y)[0]!r}")
if sum(1 for v in snakes.values() if v == "apple") != 1:
    problems.append(f"expected one apple {apple[0]!r} inside the walls")

# Readouts: frames a second from (0,20) once the clock's second has changed,
# the sleep from (1,21); both in the colour the last snake left.
fps, sleep = text(20, 0, 80).rstrip(), text(21, 0, 80).rstrip()
if fps and not re.fullmatch(r"\d+FPS", fps):
    problems.append(f"row 20: {fps!r} is no frames-per-second readout")
if not re.fullmatch(r" -?\d+", sleep):
    problems.append(f"row 21: {sleep!r} is no sleep readout")
for x in range(len(fps)):
    expect(x, 20, fps[x], readouts)
for x in range(1, len(sleep)):
    expect(x, 21, sleep[x], readouts)
if game == "solocoil":
    coloured = {(x, y) for y in range(len(grid)) for x in range(len(grid[y])) if grid[y][x][1] is not None}
    if coloured:
        problems.append(f"{len(coloured)} cells have a colour, e.g. {sorted(coloured)[:5]}")

if problems:
    if report != "report":
        sys.exit(1)
    print(f"{game}: the first frame is wrong:")
    for p in problems[:40]:
        print("  " + p)
    print("screen:")
    print(plain_text)
    sys.exit(1)
print(f"{game}: first frame OK (header, {len(header)} characters; walls; snakes; apple; readouts)")
EOF

# Every frame erases each snake's vacated cell and then redraws the snake, so
# a capture can fall between the two and see a start cell blank. Such a frame
# is caught again soon after; a wrong glyph, place or colour is wrong in every
# capture.
for _ in $(seq 20); do
  tmux -L "$socket" capture-pane -p -e >"$work/colour"
  tmux -L "$socket" capture-pane -p >"$work/plain"
  python3 "$work/check.py" "$game" "$work/colour" "$work/plain" quiet >/dev/null && break
  sleep 0.1
done
python3 "$work/check.py" "$game" "$work/colour" "$work/plain" report
