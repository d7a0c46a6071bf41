#!/usr/bin/env python3
"""Plays duelcoil and solocoil on a pseudo-terminal whose other side acts as
the terminal: one that speaks the kitty keyboard protocol (it answers the
flags query, keeps the pushed flags and is sent press, repeat and release
sequences), one that answers only the device attributes, and one that answers
nothing. A small job-control shell runs each game as its foreground job, so
that Ctrl+Z stops it as a real shell would.

After every way out (the end of a game, Escape, Ctrl+C, Ctrl+\\, Ctrl+Z and
fg, kill with the ending and crash signals) the pty's modes must be as they
were before the game started, and every flag push must have been popped.

Usage: kitty_pty.py DUELCOIL SOLOCOIL CRASH_PROBE   (paths; exit 0: passed)
"""

import os
import re
import resource
import select
import signal
import struct
import subprocess
import sys
import termios
import threading
import time
import fcntl

# ---- The job-control shell (run as the pty's session leader) ----------------


def job_shell(status_fd, command_fd, argv, orphan=False):
    """Runs argv as the foreground job; reports on status_fd, takes 'fg' or 'bg' on command_fd.

    As an orphan, argv replaces the shell instead: no one is left to continue
    it, so the kernel will not stop it."""
    status = os.fdopen(status_fd, "w", buffering=1)
    commands = os.fdopen(command_fd, "r")
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)
    signal.signal(signal.SIGTTOU, signal.SIG_IGN)  # to hand the terminal back and forth
    pid = 0 if orphan else os.fork()
    if pid == 0:
        if orphan:
            status.write(f"started {os.getpid()}\n")
        else:
            os.setpgid(0, 0)
            os.tcsetpgrp(0, os.getpid())
        for sig in (signal.SIGTTOU, signal.SIGPIPE, signal.SIGINT, signal.SIGXFSZ):
            signal.signal(sig, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # no core files from the crash tests
        os.execv(argv[0], argv)
    try:
        os.setpgid(pid, pid)
        os.tcsetpgrp(0, pid)
    except OSError:
        pass  # the child got there first
    status.write(f"started {pid}\n")
    while True:
        _, code = os.waitpid(pid, os.WUNTRACED)
        if os.WIFSTOPPED(code):
            os.tcsetpgrp(0, os.getpgrp())
            status.write(f"stopped {os.WSTOPSIG(code)}\n")
            command = commands.readline().strip()
            if command == "fg":
                os.tcsetpgrp(0, pid)
            if command in ("fg", "bg"):
                os.kill(-pid, signal.SIGCONT)
            continue
        os.tcsetpgrp(0, os.getpgrp())
        if os.WIFSIGNALED(code):
            status.write(f"signaled {os.WTERMSIG(code)}\n")
        else:
            status.write(f"exited {os.WEXITSTATUS(code)}\n")
        return


# ---- A screen, as a terminal would show the output ---------------------------


class Screen:
    """Enough of a VT100 for the games' output: cursor moves, erases, text."""

    CSI = re.compile(rb"\x1b\[([0-9;:<=>?]*)([ -/]*)([@-~])")

    def __init__(self, cols=80, rows=24):
        self.cols, self.rows = cols, rows
        self.cells = [[" "] * cols for _ in range(rows)]
        self.x = self.y = 0
        self.pending = b""

    def feed(self, data):
        data = self.pending + data
        self.pending = b""
        i = 0
        while i < len(data):
            b = data[i]
            if b == 0x1B:
                m = self.CSI.match(data, i)
                if m:
                    self.csi(m.group(1).decode(), m.group(3).decode())
                    i = m.end()
                    continue
                if len(data) - i < 16 and re.fullmatch(rb"\x1b(\[[0-9;:<=>?]*[ -/]*)?", data[i:]):
                    self.pending = data[i:]  # the rest comes with the next read
                    return
                i += 2  # ESC and one byte: nothing the games send
                continue
            if b == 0x0D:
                self.x = 0
            elif b == 0x0A:
                self.y = min(self.y + 1, self.rows - 1)
            elif b == 0x08:
                self.x = max(self.x - 1, 0)
            elif b >= 0x20:
                length = 1 if b < 0x80 else 2 if b < 0xE0 else 3 if b < 0xF0 else 4
                if i + length > len(data):
                    self.pending = data[i:]
                    return
                self.put(data[i:i + length].decode("utf-8", "replace"))
                i += length
                continue
            i += 1

    def put(self, char):
        if self.x < self.cols:
            self.cells[self.y][self.x] = char
        self.x = min(self.x + 1, self.cols)

    def csi(self, params, final):
        numbers = [int(p) if p.isdigit() else 0 for p in params.split(";")] if params else []
        n = numbers[0] if numbers and numbers[0] > 0 else 1
        if final in "Hf":
            row = numbers[0] if len(numbers) > 0 and numbers[0] > 0 else 1
            col = numbers[1] if len(numbers) > 1 and numbers[1] > 0 else 1
            self.x, self.y = min(col - 1, self.cols - 1), min(row - 1, self.rows - 1)
        elif final == "A":
            self.y = max(self.y - n, 0)
        elif final == "B":
            self.y = min(self.y + n, self.rows - 1)
        elif final == "C":
            self.x = min(self.x + n, self.cols - 1)
        elif final == "D":
            self.x = max(min(self.x, self.cols - 1) - n, 0)
        elif final == "G":
            self.x = min(n - 1, self.cols - 1)
        elif final == "d":
            self.y = min(n - 1, self.rows - 1)
        elif final == "J" and params in ("2", "3"):
            self.cells = [[" "] * self.cols for _ in range(self.rows)]
        elif final == "K":
            mode = numbers[0] if numbers else 0
            start, end = (self.x, self.cols) if mode == 0 else (0, self.x + 1) if mode == 1 else (0, self.cols)
            for x in range(start, min(end, self.cols)):
                self.cells[self.y][x] = " "
        elif final == "X":
            for x in range(self.x, min(self.x + n, self.cols)):
                self.cells[self.y][x] = " "

    def row(self, y):
        return "".join(self.cells[y])

    def find(self, chars):
        """(char, x, y) of every cell showing one of chars."""
        return [(c, x, y) for y, line in enumerate(self.cells) for x, c in enumerate(line) if c in chars]


# ---- The terminal side of the pty ---------------------------------------------

QUERY = b"\x1b[?u\x1b[c"
PUSH = b"\x1b[>11u"
POP = b"\x1b[<u"
HEADS = "▲▼◄►"
TIMEOUT = 10.0  # for anything the test waits on; the games take a fraction of it


class Failure(Exception):
    pass


class Terminal:
    """A pty with a game running under the job shell, and the terminal's answers."""

    REQUEST = re.compile(rb"\x1b\[([?<>])(\d*)u|\x1b\[0?c")

    def __init__(self, program, answers="kitty", size=(80, 24), env=None, with_first_reply=b"",
                 reply_bytewise=False, orphan=False, args=()):
        self.answers = answers  # "kitty", "da" (device attributes only) or "silent"
        self.with_first_reply = with_first_reply
        self.reply_bytewise = reply_bytewise
        self.stack = []  # the kitty flags pushed, as the terminal keeps them
        self.out = bytearray()
        self.screen = Screen()
        self.lock = threading.Lock()
        self.scanned = 0
        self.replies = 0
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", size[1], size[0], 0, 0))
        self.before = termios.tcgetattr(self.slave)
        status_r, status_w = os.pipe()
        command_r, self.command_w = os.pipe()
        environment = dict(os.environ)
        environment.setdefault("LC_ALL", "C.UTF-8")
        environment.update(env or {})
        self.shell = subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "--orphan" if orphan else "--job-shell", str(status_w),
             str(command_r), program, *args],
            stdin=self.slave, stdout=self.slave, stderr=self.slave, start_new_session=True,
            pass_fds=(status_w, command_r), env=environment)
        os.close(status_w)
        os.close(command_r)
        self.status = os.fdopen(status_r, "r")
        self.running = True
        self.reader = threading.Thread(target=self.read_loop, daemon=True)
        self.reader.start()
        self.pid = int(self.expect_status("started").split()[1])

    # The terminal: reads what the game writes and answers its queries.
    def read_loop(self):
        while self.running:
            ready, _, _ = select.select([self.master], [], [], 0.05)
            if not ready:
                continue
            try:
                data = os.read(self.master, 65536)
            except OSError:
                return
            with self.lock:
                self.out += data
                self.screen.feed(data)
                answers = self.answer()
            for reply in answers:
                self.write(reply, self.reply_bytewise)

    def answer(self):
        replies = []
        for m in self.REQUEST.finditer(self.out, self.scanned):
            self.scanned = m.end()
            kind, number = m.group(1), m.group(2)
            if kind is None:  # device attributes
                if self.answers != "silent":
                    replies.append(b"\x1b[?62;22c")
            elif self.answers != "kitty":
                continue  # a legacy terminal ignores the protocol's sequences
            elif kind == b"?":
                reply = b"\x1b[?%du" % (self.stack[-1] if self.stack else 0)
                if self.replies == 0:
                    reply += self.with_first_reply  # keys typed while the replies are on their way
                self.replies += 1
                replies.append(reply)
            elif kind == b">":
                self.stack.append(int(number or 0))
            elif kind == b"<":
                del self.stack[max(len(self.stack) - int(number or 1), 0):]
        # Keep a sequence that may still be arriving for the next read.
        self.scanned = max(self.scanned, len(self.out) - 8)
        return replies

    def write(self, data, bytewise=False):
        if bytewise:
            for i in range(len(data)):
                os.write(self.master, data[i:i + 1])
                time.sleep(0.002)
        else:
            os.write(self.master, data)

    def keys(self, data):
        """Sends key bytes; kitty forms only while the flags are pushed, as a real terminal would."""
        if self.answers == "kitty" and data.startswith(b"\x1b[") and data.endswith(b"u"):
            with self.lock:
                if self.stack[-1:] != [11]:
                    raise Failure(f"kitty key {data!r} while the flags are {self.stack}")
        self.write(data)

    def text(self):
        with self.lock:
            return bytes(self.out)

    def wait(self, what, condition, timeout=TIMEOUT):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with self.lock:
                if condition():
                    return
            time.sleep(0.01)
        raise Failure(f"timed out waiting for {what}")

    def wait_output(self, data, start=0):
        self.wait(repr(data), lambda: bytes(data) in self.out[start:])

    def wait_started(self):
        """Until the header is drawn: the frames are running."""
        self.wait("the header", lambda: self.screen.row(0).startswith("Length:"))


    def expect_status(self, word, timeout=TIMEOUT):
        ready, _, _ = select.select([self.status], [], [], timeout)
        if not ready:
            raise Failure(f"timed out waiting for the game to be {word}")
        line = self.status.readline().strip()
        if not line:  # the game ran in the shell's place: its own status
            code = self.shell.wait(timeout)
            line = f"signaled {-code}" if code < 0 else f"exited {code}"
        if not line.startswith(word):
            raise Failure(f"the game was {line or 'gone'}, expected {word}")
        if line.startswith(("exited", "signaled")):
            self.drain()
        return line

    def drain(self):
        """Until the last bytes the game wrote have come through the pty."""
        end = time.monotonic() + 3.0
        seen = -1
        while time.monotonic() < end:
            with self.lock:
                now = len(self.out)
            if now == seen:
                return
            seen = now
            time.sleep(0.2)

    def fg(self):
        os.write(self.command_w, b"fg\n")

    def bg(self):
        os.write(self.command_w, b"bg\n")

    def modes_restored(self, when):
        now = termios.tcgetattr(self.slave)
        if now != self.before:
            raise Failure(f"{when}: pty modes {now}, expected {self.before}")

    def flags_popped(self, when):
        # The game's last bytes may still be on their way through the pty.
        try:
            self.wait("the pop", lambda: not self.stack, timeout=2.0)
        except Failure:
            raise Failure(f"{when}: the keyboard flags {self.stack} were left pushed") from None

    def close(self):
        self.running = False
        self.reader.join()
        if self.shell.poll() is None:  # a case that failed half way
            for kill in (lambda: os.killpg(self.pid, signal.SIGKILL), self.shell.kill):
                try:
                    kill()
                except ProcessLookupError:
                    pass
        self.shell.wait()
        for fd in (self.master, self.slave, self.command_w):
            os.close(fd)
        self.status.close()


# ---- The cases -------------------------------------------------------------------

# Between two steps of a scenario: many frames (so each step is polled on its
# own), yet, even at the first frames' fast pace, too few for a snake crossing
# the board to reach the far wall.
STEP = 0.5


def heads(t):
    return t.screen.find(HEADS)


def expect_head(t, head, y, when):
    shown = heads(t)
    if [(c, yy) for c, _, yy in shown] != [(head, y)]:
        raise Failure(f"{when}: heads on screen {shown}, expected one {head} on row {y}")


def pushed_then_popped(t, when, pushes=1):
    """The queries, then each push, and as many pops after them."""
    # The game's last bytes may still be on their way through the pty.
    try:
        t.wait("the pops", lambda: t.out.count(POP) >= pushes, timeout=2.0)
    except Failure:
        pass  # judged below
    out = t.text()
    first_push = out.find(PUSH)
    if not out.startswith(QUERY) or first_push < 0 or out.count(PUSH) != pushes:
        raise Failure(f"{when}: expected the query first and {pushes} push(es) after it: {out[:40]!r}...")
    if out.count(POP) != pushes or out.rfind(POP) < out.rfind(PUSH):
        raise Failure(f"{when}: {out.count(POP)} pop(s) for {pushes} push(es), last push after the last pop")
    t.flags_popped(when)


def finish_with_enter(t, outcome, when):
    t.wait(outcome, lambda: outcome in t.screen.row(21))
    # The flags are popped before the line is read: Enter comes as a plain CR.
    t.wait_output(POP) if t.answers == "kitty" else None
    t.write(b"\r")
    t.expect_status("exited 0")
    t.modes_restored(when)


def held_arrow_counts_at_every_poll(duelcoil, *_):
    t = Terminal(duelcoil)
    try:
        t.wait_started()
        time.sleep(2 * STEP)
        # Player 1 holds Right: pressed once, no repeats. Up tapped between
        # two polls turns the snake up for one poll; at the next, Right, still
        # held, turns it right again. Then Right is released and Down tapped:
        # down it goes to the bottom wall. Counted once, Right would have left
        # the snake going up into the top wall; never released, it would have
        # turned the snake right again into the right wall.
        t.keys(b"\x1b[C")
        time.sleep(STEP)
        t.keys(b"\x1b[A\x1b[1;1:3A")
        time.sleep(STEP)
        t.keys(b"\x1b[1;1:3C\x1b[B\x1b[1;1:3B")
        finish_with_enter(t, "Player 2 WIN", "held arrow")
        expect_head(t, "▼", 19, "held arrow")
        pushed_then_popped(t, "held arrow")
    finally:
        t.close()
    return "duelcoil: Right held through an Up tap, released before a Down tap: down into the bottom wall"


def held_letter_counts_whatever_the_modifiers(duelcoil, *_):
    # The replies come a byte at a time.
    t = Terminal(duelcoil, reply_bytewise=True)
    try:
        t.wait_started()
        time.sleep(2 * STEP)
        # Player 2: A held with Caps Lock on (and a repeat, and Shift pressed
        # alone), W tapped with Shift, then A released and S tapped with both.
        t.keys(b"\x1b[97;65u\x1b[57441;66u")
        time.sleep(STEP)
        t.keys(b"\x1b[97;66:2u\x1b[119;66u\x1b[119;66:3u\x1b[57441;66:3u")
        time.sleep(STEP)
        t.keys(b"\x1b[97;65:3u\x1b[115;66u\x1b[115;66:3u")
        finish_with_enter(t, "Player 1 WIN", "held letter")
        expect_head(t, "▼", 19, "held letter")
        pushed_then_popped(t, "held letter")
    finally:
        t.close()
    return "duelcoil: A held (Caps Lock) through a Shift+W tap, released before an S tap: down into the wall"


def keys_in_the_same_read_as_the_replies(duelcoil, *_):
    # W typed just as the replies are sent, in the legacy form the terminal
    # used before the push: it steers player 2 up, and counts once.
    t = Terminal(duelcoil, with_first_reply=b"w")
    try:
        finish_with_enter(t, "Player 1 WIN", "keys with replies")
        expect_head(t, "▲", 1, "keys with replies")
        pushed_then_popped(t, "keys with replies")
    finally:
        t.close()
    return "duelcoil: a W in the same read as the replies steered player 2"


def escape_in_protocol_mode(duelcoil, *_):
    t = Terminal(duelcoil)
    try:
        t.wait_started()
        t.keys(b"\x1b[27u")
        t.expect_status("exited 0")
        t.modes_restored("Escape")
        pushed_then_popped(t, "Escape")
    finally:
        t.close()
    return "duelcoil: Escape (CSI 27 u) ends it with status 0"


def ctrl_chord_signals(duelcoil, solocoil, *_):
    seen = []
    for program, chord, sig in ((duelcoil, b"\x1b[99;5u", signal.SIGINT),
                                (solocoil, b"\x1b[99;5u", signal.SIGINT),
                                (duelcoil, b"\x1b[92;5u", signal.SIGQUIT)):
        name = f"{os.path.basename(program)} {chord!r}"
        t = Terminal(program)
        try:
            t.wait_started()
            t.keys(chord)
            t.expect_status(f"signaled {int(sig)}")
            t.modes_restored(name)
            pushed_then_popped(t, name)
        finally:
            t.close()
        seen.append(f"{os.path.basename(program)} {signal.Signals(sig).name}")
    return "Ctrl+C and Ctrl+\\ as kitty keys end the game by " + ", ".join(seen)


def ctrl_z_and_fg(duelcoil, *_):
    t = Terminal(duelcoil)
    try:
        t.wait_started()
        t.keys(b"\x1b[122;5u")
        t.expect_status(f"stopped {int(signal.SIGTSTP)}")
        t.modes_restored("stopped")
        t.flags_popped("stopped")
        # Continued in the background it takes nothing of the terminal, and
        # stops again as soon as it tries to read a key.
        t.bg()
        t.expect_status(f"stopped {int(signal.SIGTTIN)}")
        t.modes_restored("in the background")
        t.flags_popped("in the background")
        mark = len(t.text())
        t.fg()
        t.wait_output(PUSH, mark)  # pushed again on resume
        t.keys(b"\x1b[119u\x1b[119;1:3u")  # W steers player 2 up again
        finish_with_enter(t, "Player 1 WIN", "after fg")
        pushed_then_popped(t, "after fg", pushes=2)
    finally:
        t.close()
    return "duelcoil: Ctrl+Z (CSI 122;5 u) stops it with the terminal restored; bg leaves it so; fg pushes again and W steers"


def ctrl_z_with_no_shell_to_continue(duelcoil, *_):
    # The kernel does not stop a process group that nothing could continue:
    # the game must go on playing, with its modes and flags back in place.
    t = Terminal(duelcoil, orphan=True)
    try:
        t.wait_started()
        t.keys(b"\x1b[122;5u")
        t.wait("the flags pushed again", lambda: t.out.count(PUSH) == 2)
        t.keys(b"\x1b[119u\x1b[119;1:3u")
        finish_with_enter(t, "Player 1 WIN", "orphaned Ctrl+Z")
        pushed_then_popped(t, "orphaned Ctrl+Z", pushes=2)
    finally:
        t.close()
    return "duelcoil as an orphaned process group: Ctrl+Z stops nothing, play goes on in raw mode"


def killed_by_signals(duelcoil, *_):
    seen = []
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGINT,
                signal.SIGSEGV, signal.SIGABRT, signal.SIGBUS, signal.SIGFPE, signal.SIGILL):
        t = Terminal(duelcoil)
        try:
            t.wait_started()
            os.kill(t.pid, sig)
            status = t.expect_status("")
            t.modes_restored(sig.name)
            pushed_then_popped(t, sig.name)
            if status == f"signaled {int(sig)}":
                seen.append(sig.name)
            elif status.startswith("exited") and status != "exited 0" and b"AddressSanitizer" in t.text():
                # A sanitizer build: the signal went on to the sanitizer's handler.
                seen.append(f"{sig.name} (sanitizer's report)")
            else:
                raise Failure(f"{sig.name}: the game {status}")
        finally:
            t.close()
    return "killed by " + ", ".join(seen) + ": modes restored, flags popped"


def real_crashes(_, __, probe):
    seen = []
    for how, sig in (("segv", signal.SIGSEGV), ("fpe", signal.SIGFPE), ("abort", signal.SIGABRT),
                     ("ill", signal.SIGILL), ("bus", signal.SIGBUS)):
        t = Terminal(probe, args=[how])
        try:
            status = t.expect_status("")
            t.modes_restored(how)
            pushed_then_popped(t, how)
            out = t.text()
            if status == f"signaled {int(sig)}":
                seen.append(sig.name)
            elif status not in ("exited 0", "exited 2", "exited 3") and (
                    b"AddressSanitizer" in out or b"runtime error" in out):
                seen.append(f"{sig.name} (sanitizer's report)")
            else:
                raise Failure(f"crash by {how}: {status}")
        finally:
            t.close()
    # A sanitizer's report, where the program is built with one.
    t = Terminal(probe, args=["overflow"])
    try:
        status = t.expect_status("")
        t.modes_restored("overflow")
        pushed_then_popped(t, "overflow")
        if b"AddressSanitizer" in t.text():
            seen.append("a heap overflow reported by the sanitizer")
        elif status != "exited 3":
            raise Failure(f"a heap overflow without a sanitizer: {status}")
    finally:
        t.close()
    return "a program on the console that really crashes: " + ", ".join(seen) + "; modes restored, flags popped"


def device_attributes_only_in_ascii(duelcoil, *_):
    # tmux and other legacy terminals; a locale that is not UTF-8.
    t = Terminal(duelcoil, answers="da", env={"LC_ALL": "C"}, with_first_reply=b"")
    try:
        t.wait_started()
        t.write(b"w")
        finish_with_enter(t, "Player 1 WIN", "legacy")
        out = t.text()
        if PUSH in out or POP in out:
            raise Failure("flags pushed on a terminal that does not speak the protocol")
        if any(b >= 0x80 for b in out):
            raise Failure("bytes beyond ASCII drawn in the C locale")
        shown = t.screen.find("^v<>")
        if [(c, y) for c, _, y in shown] != [("^", 1)]:
            raise Failure(f"heads {shown}, expected ^ on row 1")
        top = t.screen.row(1)[:70].replace("^", "X")  # the head crashed into the top wall
        if top != "X" * 70 or t.screen.row(19)[:70] != "X" * 70:
            raise Failure(f"walls are not X: {t.screen.row(1)!r}")
        if not t.screen.find("@"):
            raise Failure("no @ apple")
    finally:
        t.close()
    return "duelcoil, device attributes only, C locale: legacy keys, no flags, ASCII board"


def silent_terminal(duelcoil, *_):
    # Answers nothing, and does not say its size either.
    t = Terminal(duelcoil, answers="silent", size=(0, 0))
    try:
        started = time.monotonic()
        t.wait_started()
        waited = time.monotonic() - started
        t.write(b"\x1b[A")  # legacy Up: player 1 up into the top wall
        finish_with_enter(t, "Player 2 WIN", "silent")
        if PUSH in t.text():
            raise Failure("flags pushed on a terminal that never answered")
    finally:
        t.close()
    return f"duelcoil, no answers, size 0x0: played after {waited:.2f} s, legacy keys"


def too_small(duelcoil, solocoil, *_):
    seen = []
    for program in (duelcoil, solocoil):
        t = Terminal(program, size=(60, 20))
        try:
            t.expect_status("exited 1")
            t.modes_restored("too small")
            name = os.path.basename(program)
            message = f"{name} needs a terminal of at least 70x22; this one is 60x20"
            out = t.text().decode("utf-8", "replace").strip()
            if out != message:
                raise Failure(f"a 60x20 terminal got {out!r}, expected {message!r}")
            seen.append(out)
        finally:
            t.close()
    return "60x20 refused: " + "; ".join(seen)


CASES = [
    held_arrow_counts_at_every_poll,
    held_letter_counts_whatever_the_modifiers,
    keys_in_the_same_read_as_the_replies,
    escape_in_protocol_mode,
    ctrl_chord_signals,
    ctrl_z_and_fg,
    ctrl_z_with_no_shell_to_continue,
    killed_by_signals,
    real_crashes,
    device_attributes_only_in_ascii,
    silent_terminal,
    too_small,
]


def main():
    if len(sys.argv) > 1 and sys.argv[1] in ("--job-shell", "--orphan"):
        job_shell(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:], orphan=sys.argv[1] == "--orphan")
        return 0
    if len(sys.argv) != 4:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    programs = [os.path.abspath(p) for p in sys.argv[1:]]
    passed = failed = 0
    for case in CASES:
        try:
            print(f"ok: {case(*programs)}", flush=True)
            passed += 1
        except Failure as failure:
            print(f"FAIL: {case.__name__}: {failure}", flush=True)
            failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
