#!/usr/bin/python3
# Plays the real games on a pty whose other side is the terminal (ptyterm),
# under a job-control shell, and leaves them by every way out. After each: the
# exit status on the shell's next line, at column 0 under all the game drew;
# the terminal as the game found it (its modes, the keyboard flags popped, the
# cursor shown, its own colour); nothing the terminal sent or the player typed
# left for the shell.
#
# A play is a function of steps, named by it and its arguments; a check names
# the looks it wants. A play stops at its first failed check, which prints the
# play, the looks wanted and seen, and the screen. Every play runs.
# Usage: ways_out.py DUELCOIL SOLOCOIL
import os
import select
import signal
import subprocess
import sys
import termios
import time

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does
# not; its wait returns once a job in the background stops. A trapped INT, or
# dash would die with a job that Ctrl+C ended; no core files from SEGV.
SHELL = ('exec 2>/dev/null; ulimit -c 0; trap : INT; "$0"; s=$?; while [ $s = 148 ]; do echo STOPPED; read x; '
         'if [ "$x" = bg ]; then bg >/dev/null; wait; echo BACKGROUND; read x; fi; fg >/dev/null; s=$?; done; '
         'echo EXIT $s; sleep 9')
BORDER = {(x, y) for y in range(1, 20) for x in range(70) if y in (1, 19) or x in (0, 69)}
# The terminal as the game found it.
AS_FOUND = {"modes": "found", "flags": 0, "hidden": False, "colour": "default"}


class Play(Term):
    pid = None

    # Each look as wanted, within the seconds.
    def expect(self, seconds=5.0, **wanted):
        end = time.monotonic() + seconds
        while (seen := {look: getattr(self, look)() for look in wanted}) != wanted and time.monotonic() < end:
            self.run(0.02)
        assert seen == wanted, f"wanted {wanted}, seen {seen}"

    # The looks: the screen, the terminal's state and the game's.
    def last(self):
        return [row.rstrip() for row in self.screen.display if row.strip()][-1]

    # That of the shell's next text.
    def colour(self):
        return self.screen.cursor.attrs.fg

    # The cursor.
    def hidden(self):
        return self.screen.cursor.hidden

    def modes(self):
        return "found" if termios.tcgetattr(self.slave) == self.found else "play"

    def flags(self):
        return self.pushed

    # Input left when the modes went back is a line the shell would read.
    def pending(self):
        return select.select([self.slave], [], [], 0)[0] != []

    def gone(self):
        return not os.path.exists(f"/proc/{self.pid}")

    def outcome(self):
        return self.screen.display[21][3:].rstrip()

    def heads(self):
        return "".join(c for c in "".join(self.screen.display) if c in "▲◄►")

    # More bytes since the mark than 200 for each cell the head went right from its start.
    def whole_board_each_frame(self):
        return self.received - self.mark >= 200 * (self.screen.display[10].find("►") - 10)

    # The walls' glyph when the board alone is whole: walls on the border only, one apple.
    def board(self):
        text = "".join(self.screen.display)
        for wall in "█X":
            walls = {(i % self.screen.columns, i // self.screen.columns) for i, c in enumerate(text) if c == wall}
            if walls == BORDER and sum(map(text.count, "☻@#")) == 1 and "STOPPED" not in text:
                return wall

    def signal(self, sig):
        os.kill(self.pid, sig)

    def ctrl_z(self):
        self.press("Ctrl+Z")
        self.expect(last="STOPPED", **AS_FOUND)

    # Cleared, drawn again, flags pushed again.
    def fg(self):
        self.press("Enter")
        self.expect(board="█", flags=1, hidden=True)


def play(steps, *args, status=0, game=1, wall="█", shell="", **terminal):
    p = Play(["dash", "-m", "-c", shell + SHELL, sys.argv[game]], **terminal)
    name = f"{steps.__name__}{args} {terminal}"
    try:
        p.expect(board=wall, hidden=True)
        p.pid = os.tcgetpgrp(p.master)
        steps(p, *args)
        if status is not None:
            p.expect(last=f"EXIT {status}", pending=False, **AS_FOUND)
        print(f"ok: {name}")
        return True
    except AssertionError as failure:
        print("\n".join([f"FAIL: {name}: {failure}", *p.screen.display]))
        return False
    finally:
        if p.pid and not p.gone():
            p.signal(signal.SIGKILL)
        p.close()


def crash_and_enter(p):
    p.press("Up")
    # The message at (3, 21); the final read begun.
    p.expect(outcome="Player 2 WIN", flags=0, modes="found")
    p.run(0.2)
    p.press("Enter")


def kill_with_a_key_not_yet_read(p, sig):
    p.press("Right")
    p.signal(sig)


# Left held while the snake goes right is ignored; after Up it turns the snake left.
def hold_left_through_a_turn(p):
    p.hold("Left")
    p.press("Up")
    p.expect(heads="◄")


def stops_with_left_held(p):
    # fg on a terminal that takes no output: Ctrl+Z comes while the resume still waits.
    p.ctrl_z()
    p.stop_output()
    p.press("Enter")
    p.expect(seconds=2, modes="play")
    p.press("Ctrl+Z")
    p.resume_output()
    p.expect(last="STOPPED", **AS_FOUND)
    p.fg()
    p.mark = p.received
    p.press("Right")
    p.run(1)
    p.expect(seconds=0, whole_board_each_frame=False)
    hold_left_through_a_turn(p)
    p.ctrl_z()
    # In the background the game leaves the terminal to the shell, until fg.
    p.send(b"bg\r")
    p.expect(last="BACKGROUND", **AS_FOUND)
    p.fg()
    # Left's release, while stopped, is lost: after fg Left is not held.
    p.press("Up")
    p.expect(heads="▲")
    p.press("Right")
    p.expect(heads="►")
    hold_left_through_a_turn(p)
    p.press("Escape")


# From 80x0 (rows unknown: the board is drawn) to just too narrow, just big enough, just too short.
def sizes(p):
    p.resize(69, 22)
    p.expect(last="The game needs 70x22; this terminal is 69x22.", board=None)
    p.resize(70, 22)
    p.expect(board="X")
    p.resize(70, 21)
    p.expect(last="The game needs 70x22; this terminal is 70x21.", board=None)
    p.press("Escape")


# The game ends within 2.5 s, even with SIGHUP ignored.
def closed_terminal(p):
    p.close()
    p.expect(seconds=2.5, gone=True)


# Up: a crash a few frames on. With its output not read, play still goes on to the
# final read; kill -TERM then ends it within 2.5 s.
def kill_with_output_not_read(p):
    p.stop_output()
    p.press("Up")
    p.expect(seconds=3, modes="found")
    p.signal(signal.SIGTERM)
    p.expect(seconds=2.5, gone=True, modes="found")


# No controlling terminal, and standard input not one either: one line on standard error, status 1.
def refused(game):
    run = subprocess.run(["timeout", "5", game], stdin=subprocess.DEVNULL, capture_output=True, start_new_session=True)
    print(f"{game} without a terminal: status {run.returncode}, {run.stderr}")
    return run.returncode == 1 and run.stderr.count(b"\n") == 1


sys.exit(0 if all([
    # Each with a locale: glibc spells UTF-8 "utf8" too; LC_ALL decides, then LC_CTYPE, then LANG.
    play(crash_and_enter, locale={"LANG": "en_US.utf8"}),
    play(Play.press, "Ctrl+C", status=130, game=2, wall="X", locale={}),
    # On a legacy terminal no drain takes the key.
    *[play(kill_with_a_key_not_yet_read, sig, status=128 + sig, kitty=sig != signal.SIGHUP)
      for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGSEGV)],
    play(stops_with_left_held),
    play(sizes, wall="X", kitty=False, size=(80, 0), locale={"LC_CTYPE": "POSIX", "LANG": "C.UTF-8"}),
    play(closed_terminal, status=None, shell="trap '' HUP; "),
    play(kill_with_output_not_read, status=None, wall="X", locale={"LC_ALL": "C", "LANG": "C.UTF-8"}),
    *[refused(game) for game in sys.argv[1:]],
]) else "a play failed")
