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
import signal
import subprocess
import sys

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does
# not; its wait returns once a job in the background stops. A trapped INT, or
# dash would die with a job that Ctrl+C ended; no core files from SEGV.
SHELL = ('exec 2>/dev/null; ulimit -c 0; trap : INT; "$0"; s=$?; while [ $s = 148 ]; do echo STOPPED; read x; '
         'if [ "$x" ]; then bg >/dev/null; wait; echo BACKGROUND; read x; fi; fg >/dev/null; s=$?; done; '
         'echo EXIT $s')
# The terminal as the game found it (the cursor shown, in the terminal's own colour), nothing left in its input.
AS_FOUND = {"modes": "found", "flags": 0, "cursor": "default", "pending": False}
NOTICE = "The game needs 70x22; this terminal is 69x22."
# A game keeps a signal that was ignored when it started ignored: the games start with the defaults, however this
# test was started (nohup, a background job of a shell without job control).
for ending in (signal.SIGINT, signal.SIGQUIT, signal.SIGHUP):
    signal.signal(ending, signal.SIG_DFL)


# The game on the terminal, and the looks of the game.
class Play(Term):
    pid = None

    def gone(self):
        return not os.path.exists(f"/proc/{self.pid}")

    def outcome(self):
        return self.screen.display[21][3:].rstrip()

    # Seconds of processor time the game has used.
    def cpu(self):
        fields = open(f"/proc/{self.pid}/stat").read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    # The lines that hold text, top to bottom.
    def text(self):
        return [line.rstrip() for line in self.screen.display if line.strip()]

    # The colour of the top line's first character.
    def ink(self):
        return self.screen.buffer[0][0].fg

    def heads(self):
        return set("".join(self.screen.display)) & set("▲▼◄►")

    # The walls' glyph when the board is whole: rows 1 and 19 walls, and 34 more on the sides.
    def board(self):
        rows = self.screen.display
        wall = rows[1][0]
        if rows[1][:70] == rows[19][:70] == wall * 70 and "".join(rows).count(wall) == 174:
            return wall

    def signal(self, sig):
        os.kill(self.pid, sig)

    def ctrl_z(self):
        self.press("Ctrl+Z")
        self.expect(last="STOPPED", **AS_FOUND)

    # fg: the board drawn again where it belongs (the shell scrolled it), flags pushed again, no cursor.
    def fg(self):
        self.press("Enter")
        self.expect(board="█", flags=1, cursor="hidden")


def play(steps, *args, status=0, game=1, wall="█", shell=SHELL, **terminal):
    p = Play(["dash", "-m", "-c", shell, sys.argv[game]], **terminal)
    try:
        p.expect(board=wall, cursor="hidden")
        # The job in the foreground now: the game, or none if it is gone already (never 0: ourselves).
        p.pid = os.tcgetpgrp(p.master) or None
        steps(p, *args)
        if status is not None:
            p.expect(last=f"EXIT {status}", **AS_FOUND)
        return True
    # A failed check, or the game gone before a step that needs it.
    except Exception as failure:
        named = [getattr(arg, "__name__", arg) for arg in args]
        print(f"FAIL: {steps.__name__}{named} {terminal}: {failure}", *p.screen.display, sep="\n")
        return False
    finally:
        p.close()
        # Nor does a game that a failed play left running outlive the test.
        if p.pid and not p.gone():
            os.kill(p.pid, signal.SIGKILL)


# The terminal stops reading for 1.8 s, and the game is left meanwhile: what gives the terminal back still
# arrives once it reads again.
def stalled(p, way, *args):
    p.stop_output()
    way(p, *args)
    p.run(1.8)
    p.resume_output()


# A crash while the terminal does not read: once it reads again, the message at (3, 21), the flags popped, the
# cursor shown in the last colour drawn (player 2's). Typed text shows after it, Backspace (DEL or Ctrl+H) takes a
# typed letter back (never one of the message), an arrow leaves nothing, and Enter ends the game. The wait sleeps
# until something comes.
def crash_and_enter(p):
    stalled(p, Play.press, "Up")
    p.expect(outcome="Player 2 WIN", flags=0, cursor="red")
    before = p.cpu()
    p.run(1)
    assert p.cpu() - before < 0.5, "the wait for Enter keeps a processor busy"
    p.send(b"\x7fabc")
    p.press("Left")
    p.send(b"\x7f\x08d")
    p.expect(outcome="Player 2 WINad")
    p.press("Enter")


def kill_after_key(p, sig):
    p.press("Right")
    p.signal(sig)


# Left held while the snake goes right is ignored; after Up it turns the snake left.
def left_held(p):
    p.hold("Left")
    p.press("Up")
    p.expect(heads={"◄"})


def stops_and_holds(p):
    start = p.received
    p.press("Right")
    # Half a second: a game just started runs fast while its pacer settles, up to 30 cells, short of player 2.
    p.run(0.5)
    # A cell a frame from its start, in a few bytes a frame.
    assert p.received - start < 200 * (p.screen.display[10].find("►") - 10), "the whole board a frame"
    left_held(p)
    p.ctrl_z()
    # In the background the game leaves the terminal to the shell, until fg.
    p.send(b"bg\r")
    p.expect(last="BACKGROUND", **AS_FOUND)
    p.fg()
    # Left's release, while stopped, is lost: after fg Left is not held. Ctrl+X: a chord that signals nothing.
    p.press("Ctrl+X")
    p.press("Up")
    p.expect(heads={"▲"})
    p.press("Right")
    p.expect(heads={"►"})
    left_held(p)
    # A second stop, while the terminal does not read: the first put back what the second needs.
    stalled(p, Play.press, "Ctrl+Z")
    p.expect(last="STOPPED", **AS_FOUND)
    p.fg()
    p.press("Escape")


# On a terminal that reports no releases a key is pressed, never held: after Down, Left turns the snake for good.
def no_releases(p):
    p.press("Down")
    p.expect(heads={"▼"})
    p.press("Left")
    p.expect(heads={"◄"}, outcome="Player 2 WIN")
    p.press("Enter")


# Started just too narrow; then of unknown size (0x0: the board is drawn), just big enough, just too
# narrow again. The pause holds play: Up pressed in it moves nothing that could crash. Escape in the pause draws
# nothing more (the park under the board scrolls the notice away).
def sizes(p):
    p.expect(last=NOTICE, board=None)
    p.resize(0, 0)
    p.expect(board="X")
    p.resize(70, 22)
    p.expect(board="X")
    p.resize(69, 22)
    p.expect(last=NOTICE, board=None, ink="default")
    p.press("Up")
    p.run(1.5)
    p.press("Escape")
    p.expect(text=["EXIT 0"])


# A terminal that never reads again does not keep the game alive: kill -TERM ends it within 5 s.
def kill_in_stall(p):
    p.stop_output()
    p.press("Up")
    p.run(1)
    p.signal(signal.SIGTERM)
    p.expect(gone=True)


# The terminal closes, and the game ignores SIGHUP: what it reads and writes fails, and it ends all the same.
def closed(p):
    p.hang_up()
    p.expect(gone=True)


# No controlling terminal, and standard input not one either: one line on standard error, status 1.
def refused(game):
    run = subprocess.run(["setsid", "-w", "timeout", "5", game], stdin=subprocess.DEVNULL, capture_output=True)
    print(f"without a terminal: {run}")
    return run.returncode == 1 and run.stderr.count(b"\n") == 1


sys.exit(not all([
    # Each with a locale: glibc spells UTF-8 "utf8" too; LC_ALL decides, then LC_CTYPE, then LANG.
    play(crash_and_enter, locale={"LANG": "en_US.utf8"}),
    play(Play.press, "Ctrl+C", status=130, game=2, wall="X", locale={}),
    # On a legacy terminal no drain takes the key.
    play(kill_after_key, signal.SIGHUP, status=129, kitty=False),
    play(kill_after_key, signal.SIGSEGV, status=139),
    play(closed, status=None, shell="trap '' HUP; " + SHELL),
    play(stops_and_holds),
    play(no_releases, kitty=1),
    play(sizes, wall=None, kitty=False, size=(69, 22), locale={"LC_CTYPE": "C", "LANG": "C.UTF-8"}),
    play(kill_in_stall, status=None, wall="X", locale={"LC_ALL": "C", "LANG": "C.UTF-8"}),
    *[play(stalled, Play.press, key, status=status)
      for key, status in (("Escape", 0), ("Ctrl+C", 130), ("Ctrl+\\", 131))],
    *[play(stalled, Play.signal, sig, status=128 + sig) for sig in (signal.SIGTERM, signal.SIGHUP)],
    *[refused(game) for game in sys.argv[1:3]],
]))
