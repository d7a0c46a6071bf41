# A pseudo-terminal whose master side is the terminal: what the program writes
# goes into a pyte screen, and its queries are answered as a terminal that
# speaks the kitty keyboard protocol would, or (kitty=False) as a legacy one
# that answers only the device attributes; kitty=1: one that takes only the
# first flag of a push, and so reports no releases. Keys are sent as that terminal
# sends them under the keyboard flags then in force.
#
# The terminal works only while its user calls run(seconds): one thread, so
# the screen, the flags and the count of bytes never change under a check.
import fcntl
import os
import re
import select
import struct
import subprocess
import termios
import time

import pyte

UTF8 = {"LC_ALL": "C.UTF-8"}
# Answered, not drawn: pyte would draw the u of a pop.
REQUEST = re.compile(rb"\x1b\[([?<>]?)(\d*)([uc])")
# Each key as the protocol numbers it: code, final byte, modifiers (5: Ctrl).
# Its events are numbered too: 1 down, 3 up.
KEYS = {"Up": (1, b"A", 1), "Down": (1, b"B", 1), "Right": (1, b"C", 1), "Left": (1, b"D", 1), "Escape": (27, b"u", 1),
        "Enter": (13, b"u", 1), "Ctrl+C": (99, b"u", 5), "Ctrl+X": (120, b"u", 5),
        "Ctrl+Z": (122, b"u", 5), "Ctrl+\\": (92, b"u", 5)}


class Term:
    def __init__(self, argv, size=(80, 24), kitty=True, locale=UTF8):
        self.master, self.slave = os.openpty()
        self.screen = pyte.Screen(80, 24)
        self.feed = pyte.ByteStream(self.screen).feed
        # The protocol's flags this terminal takes.
        self.kitty = 31 if kitty is True else int(kitty)
        # Pushes of the keyboard flags not yet popped, the flags in force, and the bytes the program wrote.
        self.pushed = self.in_force = self.received = 0
        self.resize(*size)
        self.found = termios.tcgetattr(self.slave)
        # A session of its own, whose controlling terminal this is; the locale as given.
        self.proc = subprocess.Popen(["setsid", "-c", *argv], stdin=self.slave, stdout=self.slave,
                                     env={**os.environ, "LC_ALL": "", "LC_CTYPE": "", "LANG": "", **locale})

    # Reads, answers and draws what comes in the seconds.
    def run(self, seconds):
        end = time.monotonic() + seconds
        while (left := end - time.monotonic()) > 0:
            if select.select([self.master], [], [], left)[0]:
                data = os.read(self.master, 65536)
                self.received += len(data)
                for request in REQUEST.findall(data):
                    self.answer(*request)
                self.feed(REQUEST.sub(b"", data))

    def answer(self, kind, number, final):
        if kind == b">":
            self.pushed += 1
            self.in_force = int(number) & self.kitty
        if kind == b"<":
            # A finger lifted as the game ends: reported before the pop takes effect.
            self.send(self.key("Escape", 3))
            self.pushed -= int(number or 1)
            self.in_force *= self.pushed > 0
        reply = {b"c": b"\x1b[?6c", b"?u": b"\x1b[?%du" % self.in_force * bool(self.kitty)}.get(kind + final, b"")
        # Its last byte alone, as a slow link may deliver it: the program reads it on its own.
        if reply:
            self.send(reply[:-1])
            time.sleep(0.02)
            self.send(reply[-1:])

    # What the terminal sends as the key goes down, or up.
    def key(self, name, event=1):
        code, final, mods = KEYS[name]
        if self.in_force & 2:
            return b"\x1b[%d;%d:%d%s" % (code, mods, event, final)
        if event == 3:
            return b""
        # Disambiguation alone: Escape and Ctrl chords by code, arrows and Enter as on a legacy terminal.
        if self.in_force and final == b"u" and code != 13:
            return b"\x1b[%d;%du" % (code, mods)
        return b"\x1b[" + final if code == 1 else bytes([code & 31 if mods == 5 else code])

    def press(self, name):
        self.send(self.key(name) + self.key(name, 3))

    def hold(self, name):
        self.send(self.key(name))

    # Returns once the bytes are in the pty's input, or already read.
    def send(self, data):
        os.write(self.master, data)
        select.select([self.slave], [], [], 0.05)

    def resize(self, cols, rows):
        self.screen.resize(rows or 24, cols or 80)
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))

    # The terminal takes no output (a stalled link, a busy terminal), until it takes it again.
    def stop_output(self):
        termios.tcflow(self.slave, termios.TCOOFF)

    def resume_output(self):
        termios.tcflow(self.slave, termios.TCOON)

    # Each look as wanted, within the seconds.
    def expect(self, seconds=5, **wanted):
        end = time.monotonic() + seconds
        while (seen := {look: getattr(self, look)() for look in wanted}) != wanted and time.monotonic() < end:
            self.run(0.02)
        assert seen == wanted, f"wanted {wanted}, seen {seen}"

    # The looks: the last line on the screen; the cursor, hidden or shown in the colour the next text takes.
    def last(self):
        return "\n".join(self.screen.display).rstrip().rsplit("\n", 1)[-1]

    def cursor(self):
        return "hidden" if self.screen.cursor.hidden else self.screen.cursor.attrs.fg

    # The input modes, and the keyboard flags pushed.
    def modes(self):
        return "found" if termios.tcgetattr(self.slave) == self.found else "play"

    def flags(self):
        return self.pushed

    # Input left when the modes went back is a line the shell would read.
    def pending(self):
        return select.select([self.slave], [], [], 0)[0] != []

    # The terminal closes while play goes on: the session is hung up, and the terminal reads as empty.
    def hang_up(self):
        os.close(self.master)
        self.master = os.open(os.devnull, os.O_RDONLY)

    # Hangs the session up, then ends what is left of it.
    def close(self):
        os.close(self.master)
        self.proc.kill()
        self.proc.wait()
