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
(/proc/PID/io syscw), which also paces the turns; frames are the measured
time times the mean of the frame-rate readouts seen in it.
"""
import argparse
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
    window = None  # (time, bytes, cpu, syscw) when measuring starts
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
                window = (now, len(out), cpu, syscw)
            if window is not None and now - window[0] >= args.seconds:
                result = (now, len(out), cpu, syscw)
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
    window_out = bytes(out[window[1]:result[1]])
    readouts = [int(m) for m in re.findall(rb"(\d+)FPS", window_out)]
    all_readouts = [int(m) for m in re.findall(rb"(\d+)FPS", bytes(out))]
    fps = sum(readouts) / len(readouts) if readouts else 11.0
    frames = seconds * fps

    print(f"program: {args.program}")
    print(f"measured: {seconds:.1f} s of play, 80x24, turns every {args.side} frames")
    print(f"frame-rate readouts seen: {' '.join(map(str, all_readouts))}")
    print(f"frames (time x mean readout {fps:.2f}): {frames:.0f}")
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
