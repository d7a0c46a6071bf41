#!/usr/bin/python3
"""Plays the real duelcoil on an 80x24 pseudo-terminal and prints what its
output costs: bytes and write calls per frame, CPU per second of play, and the
frame-rate readouts it showed.

The terminal is tests/e2e/ptyterm.py as a legacy terminal (it answers only the
device attributes), so the keys are the legacy ones. Both snakes are steered
round squares (arrow keys for player 1, W A S D for player 2) so neither
crashes. After the play time Escape ends the game.

    python3 bench/play_pty.py build-release/duelcoil [--seconds 10] [--side 5]

The snakes rest until first steered, so no key is sent until the frame pacer
has settled (--settle). Bytes and write calls are counted by the kernel
(/proc/PID/io wchar and syscw); the write calls also pace the turns. Frames
are counted as the game's sleeps: each frame sleeps once, a voluntary context
switch (/proc/PID/status). The frame-rate readouts are read off the pyte
screen, since only their changed characters are sent: a readout equal to the
one before it is not seen, by the player either.
"""
import argparse
import os
import re
import resource
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no cache beside the shared module
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from ptyterm import Term  # noqa: E402

# Player 1 goes right, down, left, up from the left; player 2 left, down,
# right, up from the right: two squares apart from each other.
P1_KEYS = [b"\x1b[C", b"\x1b[B", b"\x1b[D", b"\x1b[A"]
P2_KEYS = [b"a", b"s", b"d", b"w"]


def counters(pid):
    """(time, CPU seconds, bytes written, write calls, frames) of pid so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    with open(f"/proc/{pid}/io") as f:
        io = dict(line.split(": ") for line in f.read().splitlines())
    with open(f"/proc/{pid}/status") as f:
        frames = int(re.search(r"^voluntary_ctxt_switches:\s*(\d+)", f.read(), re.M)[1])
    cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime, stime
    return time.monotonic(), cpu, int(io["wchar"]), int(io["syscw"]), frames


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("--seconds", type=float, default=10.0, help="measured play time")
    ap.add_argument("--settle", type=float, default=4.0,
                    help="seconds before the first key, while the frame pacer settles")
    ap.add_argument("--warmup", type=float, default=1.0, help="steered play before measuring")
    ap.add_argument("--side", type=int, default=5, help="frames between turns")
    args = ap.parse_args()

    t = Term([args.program], kitty=False)
    readouts = []  # (time, value) each time row 20 shows a new NNFPS
    start = time.monotonic()
    window = result = last_turn = None  # counters when measuring starts and ends; write calls at the last turn
    turn = 0
    while result is None:
        if t.proc.poll() is not None:
            print("the game ended before the measurement did", file=sys.stderr)
            return 1
        now = counters(t.proc.pid)
        fps = re.match(r"(\d+)FPS", t.screen.display[20])
        if fps and (not readouts or readouts[-1][1] != int(fps[1])):
            readouts.append((now[0], int(fps[1])))
        if now[0] - start >= args.settle:
            # One write a frame: the kernel's count of them paces the turns,
            # so each side of a square has the same number of frames.
            if last_turn is None or now[3] - last_turn >= args.side:
                t.send(P1_KEYS[turn % 4] + P2_KEYS[turn % 4])
                turn, last_turn = turn + 1, now[3]
            if window is None and now[0] - start >= args.settle + args.warmup:
                window = now
            elif window is not None and now[0] - window[0] >= args.seconds:
                result = now
        t.run(0.005)  # the terminal at work meanwhile

    t.send(b"\x1b")
    try:
        status = t.proc.wait(3)
    except subprocess.TimeoutExpired:
        status = None
        print("Escape did not end the game; killed it", file=sys.stderr)
    t.close()
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)

    seconds, cpu, written, writes, frames = (b - a for a, b in zip(window, result))
    seen = [v for when, v in readouts if window[0] <= when <= result[0]]
    print(f"program: {args.program}")
    print(f"measured: {seconds:.1f} s of play, 80x24, turns every {args.side} frames")
    print(f"frame-rate readouts seen (whole run): {' '.join(str(v) for _, v in readouts)}")
    if seen:
        print(f"  in the measured time: {' '.join(map(str, seen))}")
    print(f"frames (sleeps): {frames}, {frames / seconds:.1f} a second")
    print(f"bytes: {written}, per frame: {written / frames:.1f}")
    print(f"write calls: {writes}, per frame: {writes / frames:.2f}")
    print(f"CPU: {cpu:.2f} s in {seconds:.1f} s of play: {100 * cpu / seconds:.2f} % of a core")
    print(f"CPU of the whole run (getrusage, children): {usage.ru_utime + usage.ru_stime:.2f} s")
    print(f"exit status: {status}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
