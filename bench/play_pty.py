#!/usr/bin/env python3
"""Plays the real duelcoil on an 80x24 pseudo-terminal and prints what its
output costs: bytes and write calls per frame, CPU per second of play, and the
frame-rate readouts it showed.

Both snakes are steered round squares (arrow keys for player 1, W A S D for
player 2) so neither crashes; nothing else is answered. After the play time
Escape ends the game.

    python3 bench/play_pty.py build-release/duelcoil [--seconds 10] [--side 6]

The snakes rest until first steered, so no key is sent until the frame
pacer has settled (--settle). Write calls are counted by the kernel
(/proc/PID/io syscw), which also paces the turns. Frames are counted as the
game's sleeps: each frame sleeps once, a voluntary context switch
(/proc/PID/status). The frame-rate readouts are read off a small emulation
of the screen, since only their changed characters are sent: a readout equal
to the one before it is not seen, by the player either.
"""
import argparse
import codecs
import fcntl
import os
import pty
import re
import resource
import select
import signal
import struct
import sys
import termios
import time

# Player 1 goes right, down, left, up from the left; player 2 left, down,
# right, up from the right: two squares apart from each other.
P1_KEYS = [b"\x1b[C", b"\x1b[B", b"\x1b[D", b"\x1b[A"]
P2_KEYS = [b"a", b"s", b"d", b"w"]


class Screen:
    """Just enough of a terminal to read the readouts: cursor moves, text,
    autowrap and scrolling; colours are ignored."""

    def __init__(self, cols, rows):
        self.cols, self.rows = cols, rows
        self.cells = [[" "] * cols for _ in range(rows)]
        self.x = self.y = 0
        self.wrap = False
        self.decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")
        self.pending = ""

    def _scroll(self):
        self.cells.pop(0)
        self.cells.append([" "] * self.cols)

    def _put(self, ch):
        if self.wrap:
            self.wrap = False
            self.x = 0
            if self.y + 1 < self.rows:
                self.y += 1
            else:
                self._scroll()
        self.cells[self.y][self.x] = ch
        if self.x + 1 == self.cols:
            self.wrap = True
        else:
            self.x += 1

    def _csi(self, params, final):
        nums = [int(p) if p.isdigit() else 0 for p in params.split(";")]
        n = max(nums[0], 1)
        if final == "H":
            row = max(nums[0], 1)
            col = max(nums[1], 1) if len(nums) > 1 else 1
            self.y, self.x = min(row, self.rows) - 1, min(col, self.cols) - 1
        elif final == "A":
            self.y = max(self.y - n, 0)
        elif final == "B":
            self.y = min(self.y + n, self.rows - 1)
        elif final == "C":
            self.x = min(self.x + n, self.cols - 1)
        elif final == "D":
            self.x = max(self.x - n, 0)
        else:
            return  # colours and modes leave the cells alone
        self.wrap = False

    def feed(self, data):
        text = self.pending + self.decoder.decode(data)
        self.pending = ""
        i = 0
        while i < len(text):
            ch = text[i]
            if ch == "\x1b":
                m = re.match(r"\x1b\[([0-9;?]*)([@-~])", text[i:])
                if m:
                    self._csi(m.group(1), m.group(2))
                    i += m.end()
                    continue
                if i + 1 < len(text) and text[i + 1] == "D":
                    if self.y + 1 == self.rows:
                        self._scroll()
                    else:
                        self.y += 1
                    i += 2
                    continue
                if re.fullmatch(r"\x1b(\[[0-9;?]*)?", text[i:]):
                    self.pending = text[i:]  # cut by the read; finish it next time
                    return
                i += 1
            elif ch >= " ":
                self._put(ch)
                i += 1
            elif ch == "\r":
                self.x, self.wrap = 0, False
                i += 1
            elif ch == "\n":
                self.y = min(self.y + 1, self.rows - 1)
                i += 1
            else:
                i += 1

    def row(self, y):
        return "".join(self.cells[y])


def frames_slept(pid):
    """Voluntary context switches of pid: one a frame, in its sleep."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches:"):
                return int(line.split()[1])
    return 0


def proc_counters(pid):
    """(CPU seconds, write syscalls) of pid so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    cpu = (int(fields[11]) + int(fields[12])) / ticks  # utime, stime
    syscw = None
    try:
        with open(f"/proc/{pid}/io") as f:
            for line in f:
                if line.startswith("syscw:"):
                    syscw = int(line.split()[1])
    except OSError:
        pass
    return cpu, syscw


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("--seconds", type=float, default=10.0, help="measured play time")
    ap.add_argument("--settle", type=float, default=4.0,
                    help="seconds before the first key, while the frame pacer settles")
    ap.add_argument("--warmup", type=float, default=1.0, help="steered play before measuring")
    ap.add_argument("--side", type=int, default=5, help="frames between turns")
    ap.add_argument("--dump", help="file to save everything the game wrote")
    args = ap.parse_args()

    pid, master = pty.fork()
    if pid == 0:
        os.environ["LANG"] = os.environ.get("LANG", "C.UTF-8")
        os.environ["TERM"] = "xterm-256color"
        os.execv(args.program, [args.program])
    fcntl.ioctl(master, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))

    out = bytearray()
    screen = Screen(80, 24)
    readouts = []  # (time, value) each time row 20 shows a new NNFPS
    window = None  # (time, bytes, cpu, syscw, frames) when measuring starts
    result = None
    start = time.monotonic()
    steering = False
    turn = 0
    last_turn = None
    while True:
        now = time.monotonic()
        cpu, syscw = proc_counters(pid)
        if not steering and now - start >= args.settle:
            steering = True
            steer_start = now
        if steering:
            # One write a frame: the kernel's count of them paces the turns,
            # so each side of a square has the same number of frames.
            if last_turn is None or syscw - last_turn >= args.side:
                os.write(master, P1_KEYS[turn % 4] + P2_KEYS[turn % 4])
                turn += 1
                last_turn = syscw
            if window is None and now - steer_start >= args.warmup:
                window = (now, len(out), cpu, syscw, frames_slept(pid))
            if window is not None and now - window[0] >= args.seconds:
                result = (now, len(out), cpu, syscw, frames_slept(pid))
                break
        ready, _, _ = select.select([master], [], [], 0.005)
        if ready:
            try:
                data = os.read(master, 65536)
            except OSError:
                break
            if not data:
                break
            out += data
            screen.feed(data)
            m = re.match(r"(\d+)FPS", screen.row(20))
            if m and (not readouts or readouts[-1][1] != int(m.group(1))):
                readouts.append((time.monotonic(), int(m.group(1))))

    if result is None:
        print("the game ended before the measurement did", file=sys.stderr)
        os.waitpid(pid, 0)
        return 1

    os.write(master, b"\x1b")
    deadline = time.monotonic() + 3
    status = None
    while time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            try:
                data = os.read(master, 65536)
            except OSError:
                data = b""
            out += data
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
    else:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        print("Escape did not end the game; killed it", file=sys.stderr)
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    if args.dump:
        with open(args.dump, "wb") as f:
            f.write(out)

    seconds = result[0] - window[0]
    window_bytes = result[1] - window[1]
    cpu = result[2] - window[2]
    frames = result[4] - window[4]
    seen = [v for t, v in readouts if window[0] <= t <= result[0]]

    print(f"program: {args.program}")
    print(f"measured: {seconds:.1f} s of play, 80x24, turns every {args.side} frames")
    print(f"frame-rate readouts seen (whole run): {' '.join(str(v) for _, v in readouts)}")
    if seen:
        print(f"  in the measured time: {' '.join(map(str, seen))}")
    print(f"frames (sleeps): {frames}, {frames / seconds:.1f} a second")
    print(f"bytes: {window_bytes}, per frame: {window_bytes / frames:.1f}")
    if window[3] is not None and result[3] is not None:
        writes = result[3] - window[3]
        print(f"write calls: {writes}, per frame: {writes / frames:.2f}")
    else:
        print("write calls: /proc/PID/io not available")
    print(f"CPU: {cpu:.2f} s in {seconds:.1f} s of play: {100 * cpu / seconds:.2f} % of a core")
    print(f"CPU of the whole run (getrusage, children): "
          f"{usage.ru_utime + usage.ru_stime:.2f} s")
    print(f"exit status: {status}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
