#!/usr/bin/env bash
# Makes docs/duelcoil.png, the picture at the top of README.md: duelcoil in an
# 80x24 xterm (DejaVu Sans Mono, UTF-8) on a virtual X display, both snakes
# steered for under a second, each turning once.
#
#   bash docs/make-screenshot.sh [PROGRAM]     (default: build/duelcoil)
#
# The game runs in tmux inside the xterm, so that tmux send-keys can steer it
# as a player would; tmux's status line is off, so the xterm shows only the
# game. Needs Xvfb, xterm, xwd, ImageMagick and pngquant: as root it installs
# whichever are missing from Debian's packages.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/duelcoil}")
[ -x "$program" ] || { echo "no program at $program: build it first (cmake --workflow --preset default)" >&2; exit 1; }
out=docs/duelcoil.png

# ImageMagick's convert from Debian's package, not any other on PATH.
convert=/usr/bin/convert
need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xterm >/dev/null || need+=(xterm)
command -v xwd >/dev/null || need+=(x11-apps)
[ -x "$convert" ] || need+=(imagemagick)
command -v pngquant >/dev/null || need+=(pngquant)
command -v tmux >/dev/null || need+=(tmux)
fc-list 2>/dev/null | grep -q 'DejaVu Sans Mono' || need+=(fonts-dejavu-core)
if [ ${#need[@]} -gt 0 ]; then
    [ "$(id -u)" = 0 ] || { echo "please install: ${need[*]}" >&2; exit 1; }
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

export LANG=C.UTF-8
unset LC_ALL
work=$(mktemp -d)
socket=coil-screenshot-$$
xvfb_pid= xterm_pid=
cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null || true
    [ -z "$xterm_pid" ] || kill "$xterm_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

# The game starts in a cleared 80x24 tmux pane; the xterm attaches to show it.
printf 'set -g status off\n' >"$work/tmux.conf"
tmux -L "$socket" -f "$work/tmux.conf" -u new-session -d -s duel -x 80 -y 24 \
    "clear; exec $program"
xterm -T coil-screenshot -geometry 80x24+0+0 -fa 'DejaVu Sans Mono' -fs 13 -u8 \
    -bg black -fg '#d0d0d0' -cr '#010101' +sb -b 6 \
    -e tmux -L "$socket" -u attach -t duel &
xterm_pid=$!
# The snakes wait at rest while the frame pacer settles: a game starts with
# a short sleep and runs fast for its first seconds.
sleep 12

# Player 1 (arrows) heads right and turns up; player 2 (W A S D) heads left
# and turns down: about a cell a frame, eleven frames a second.
keys() { tmux -L "$socket" send-keys -t duel "$@"; }
keys Right
keys a
sleep 0.45
keys Up
keys s
sleep 0.3

xwd -silent -name coil-screenshot >"$work/shot.xwd"
"$convert" "xwd:$work/shot.xwd" "$work/shot.png"
pngquant --force --strip --output "$out" 16 "$work/shot.png"
keys Escape
echo "wrote $out ($(stat -c %s "$out") bytes)"
