#!/usr/bin/python3
"""Plays the real games on a pty whose other side is the terminal (ptyterm),
under a job-control shell, and leaves them by every way out. After each: the
exit status on the shell's next line, at column 0 under all the game drew; the
pty's modes as before, every flags push popped, the cursor shown; nothing the
terminal sent or the player typed left for the shell. A play stops at its
first failed check, which shows the screen as it was.
Usage: ways_out.py DUELCOIL SOLOCOIL"""
import contextlib, os, select, signal, sys, termios  # noqa: E401

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does not; a
# trapped INT, or dash would die with a job that Ctrl+C ended; no core files from SEGV.
SHELL = ('exec 2>/dev/null; ulimit -c 0; trap : INT; "$0"; s=$?; '
         'while [ $s = 148 ]; do echo STOPPED; read x; fg >/dev/null; s=$?; done; echo EXIT $s; sleep 9')
BORDER = {(x, y) for y in range(1, 20) for x in range(70) if y in (1, 19) or x in (0, 69)}


def check(t, name, what, condition, seconds=5.0):  # condition(t) within the seconds, tried every 0.02 s
    ok = any(condition(t) or t.run(0.02) for _ in range(int(seconds / 0.02) + 1))
    print(f"ok: {name}: {what}" if ok else "\n".join([f"FAIL: {name}: {what}", *t.screen.display]), flush=True)
    return ok


def lines(t):  # the rows with something on them
    return [r.rstrip() for r in t.screen.display if r.strip()]


def board_ok(t):  # walls on the border only, one apple
    walls = {(x, y) for y, r in enumerate(t.screen.display) for x, c in enumerate(r) if c == "█"}
    return walls == BORDER and "".join(t.screen.display).count("☻") == 1


def modes_ok(t):
    return termios.tcgetattr(t.slave) == t.modes


def back(t, line):  # the shell's line last, under the board; modes as found, flags popped, cursor shown
    return lines(t)[-1:] == [line] and modes_ok(t) and not t.pushed and not t.screen.cursor.hidden


def play(name, status, steps, kitty=True, size=(80, 24), game=1, shell=""):
    t = Term(["dash", "-m", "-c", shell + SHELL, sys.argv[game]], size, kitty)
    act = {bytes: t.send, float: t.run, tuple: lambda c: check(t, name, *c), int: lambda f: termios.tcflow(t.slave, f),
           signal.Signals: lambda sig: os.kill(t.pid, sig)}  # int: TCOOFF, the terminal takes no output, until TCOON
    # Until the exit is seen the shell may be reading, and would take what is left.
    ends = [(f"exit status {status}, under the board, the terminal as found", lambda t: back(t, f"EXIT {status}")),
            # Input left when the modes went back is a line the shell would read.
            ("nothing left for the shell", lambda t: not select.select([t.slave], [], [], 0)[0], 0)]
    if ok := check(t, name, "drawn, no cursor", lambda t: "Length" in t.screen.display[0] and t.screen.cursor.hidden):
        t.pid = int(open(f"/proc/{t.proc.pid}/task/{t.proc.pid}/children").read().split()[0])  # the shell's job
        ok = all(act.get(type(step), lambda f: f(t))(step) is not False for step in steps + ends * (status is not None))
        with contextlib.suppress(ProcessLookupError):  # gone
            os.kill(t.pid, signal.SIGKILL)
    t.close()
    return ok


GONE = lambda t: not os.path.exists(f"/proc/{t.pid}")  # noqa: E731
READING = lambda t: open(f"/proc/{t.pid}/wchan").read() == "wait_woken"  # noqa: E731  # its final read, blocking
QUEUED = lambda t: select.select([t.slave], [], [], 0.05)  # noqa: E731  # the key in the pty's input, or read
HEADS = lambda t: [c for c in "".join(t.screen.display) if c in "▲▼◄►"]  # noqa: E731
STOPPED = ("stopped: the shell's line under the board, the terminal as found", lambda t: back(t, "STOPPED"))
DRAWN = ("fg: cleared, the board drawn again, flags pushed again, cursor hidden",
         lambda t: "STOPPED" not in lines(t) and board_ok(t) and t.pushed and t.screen.cursor.hidden)
SHRINK, NOTICE = lambda t: t.resize(60, 20), ("60x20: one line, naming 70x22",
                                              lambda t: len(lines(t)) == 1 and "70x22" in lines(t)[0])
sys.exit(0 if all([  # every play, even after one has failed
    # Enter 0.1 s after the message: keys typed in play are flushed, this one is the game's, unless the
    # drain after the pop waits out its 0.2 s for a reply it never asked for.
    play("crash and Enter", 0, [b"\x1b[A", ("Player 2 WIN on row 21, flags popped",
                                lambda t: "Player 2 WIN" in t.screen.display[21] and not t.pushed), 0.1, b"\r"]),
    play("solocoil, Ctrl+C", 130, [b"\x1b[99;5u"], game=2),
    *[play(f"kill -{sig.name[3:]}, a key not yet read", 128 + sig, [b"x", QUEUED, sig], kitty=sig != signal.SIGHUP)
      for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGSEGV)],  # on a legacy terminal no drain takes the key
    # Left is held into the stop, ignored while the snake goes right; its release, while stopped, is lost.
    # After fg the snake turns up, then right: a Left still held would have turned it left, and kept it so.
    play("Ctrl+Z with Left held", 0, [b"\x1b[C\x1b[1;1:3C", 0.2, b"\x1b[D\x1b[122;5u", STOPPED, b"\r", DRAWN,
        b"\x1b[A\x1b[1;1:3A", 0.1, b"\x1b[C\x1b[1;1:3C", 0.3, ("fg: Left not held", lambda t: HEADS(t) == ["►"], 0),
        b"\x1b[27u"]),
    # The second stop comes while the resume still waits on a terminal that takes no output.
    play("Ctrl+Z, then Ctrl+Z racing a slow fg", 0, [
        b"\x1b[122;5u", STOPPED, termios.TCOOFF, b"\r", ("fg: play modes again", lambda t: not modes_ok(t), 2),
        signal.SIGTSTP, termios.TCOON, STOPPED, b"\r", DRAWN, b"\x1b[27u"]),
    play("80x0, shrunk below 70x22, grown back, shrunk again and Escape", 0, [
        ("80x0: the board on 24 rows", board_ok, 1), SHRINK, NOTICE, lambda t: t.resize(80, 24),
        ("80x24 again: the board whole", board_ok), SHRINK, NOTICE, b"\x1b[27u"], size=(80, 0)),
    play("closed terminal, SIGHUP ignored", None, [Term.close, ("the game ends within 2.5 s", GONE, 2.5)],
         shell="trap '' HUP; "),
    play("kill -TERM, its output not read", None, [  # Up: a crash into the wall, a few frames on
        termios.TCOOFF, b"\x1b[A", ("output not read: play goes on to the final read", READING, 3),
        signal.SIGTERM, ("kill -TERM ends it within 2.5 s, modes as before", lambda t: GONE(t) and modes_ok(t), 2.5)]),
]) else "a play failed")
