#!/usr/bin/python3
"""Plays the real games on a pty whose other side is the terminal (ptyterm),
under a job-control shell, and leaves them by every way out. After each: the
exit status on the shell's next line, at column 0 under all the game drew; the
pty's modes as before, every flags push popped, the cursor shown; nothing the
terminal sent left for the shell. Usage: ways_out.py DUELCOIL SOLOCOIL"""
import contextlib, os, select, signal, sys, termios  # noqa: E401

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does not; a
# trapped INT, or dash would die with a job that Ctrl+C ended; no core files from SEGV.
SHELL = ('exec 2>/dev/null; ulimit -c 0; trap : INT; "$0"; s=$?; '
         'while [ $s = 148 ]; do echo STOPPED; read x; fg >/dev/null; s=$?; done; echo EXIT $s; sleep 9')
BORDER = {(x, y) for y in range(1, 20) for x in range(70) if y in (1, 19) or x in (0, 69)}
ESC, UP = b"\x1b[27u", b"\x1b[A"
failures = []


def check(t, what, ok):  # a failure shows the screen as it was
    print("ok: " + what if ok else "\n".join(["FAIL: " + what, *t.screen.display]), flush=True)
    return ok or failures.append(what)


def see(what, condition, seconds=5.0):  # a step: condition(t) within the seconds, tried every 0.02 s
    return lambda t: check(t, what, any(condition(t) or t.run(0.02) for _ in range(int(seconds / 0.02) + 1)))


def lines(t):  # the rows with something on them; the shell's next line must be the last
    return [r.rstrip() for r in t.screen.display if r.strip()]


def board_ok(t):  # walls on the border only, one apple, nothing but snakes inside
    inside = set("".join(r[1:69] for r in t.screen.display[2:19]))
    walls = {(x, y) for y, r in enumerate(t.screen.display) for x, c in enumerate(r) if c == "█"}
    return walls == BORDER and "".join(t.screen.display).count("☻") == 1 \
        and inside <= set(" *☻║═╔╗╚╝▲▼◄►")


def modes_ok(t):
    return termios.tcgetattr(t.slave) == t.modes


def restored(t):
    return modes_ok(t) and not t.pushed and not t.screen.cursor.hidden


def queued(t):  # the key in the pty's input, or read already
    select.select([t.slave], [], [], 0.05)


def stall(t, flow=termios.TCOOFF):  # the terminal takes no output until TCOON, as if it had stopped reading
    termios.tcflow(t.slave, flow)


def play(name, status, steps, kitty=True, size=(80, 24), game=1, shell=""):
    t = Term(["dash", "-m", "-c", shell + SHELL, sys.argv[game]], size, kitty)
    act = {bytes: t.send, float: t.run, signal.Signals: lambda sig: os.kill(t.pid, sig)}
    try:
        see(f"{name}: header drawn, cursor hidden",
            lambda t: "Length" in t.screen.display[0] and t.screen.cursor.hidden)(t)
        t.pid = int(open(f"/proc/{t.proc.pid}/task/{t.proc.pid}/children").read().split()[0])  # the shell's job
        for step in steps:  # keys, a pause, a signal to the game, or else a function of the terminal
            act.get(type(step), lambda f: f(t))(step)
        # Until the exit is seen the shell may be reading, and would take what is left.
        if status is not None and see(f"{name}: exit status {status}, the shell's line under the board",
                                      lambda t: lines(t)[-1:] == [f"EXIT {status}"])(t):
            check(t, f"{name}: modes as before, flags popped, cursor shown ({modes_ok(t)}, {t.pushed})", restored(t))
            # Input left when the modes went back is a line the shell would read.
            check(t, f"{name}: nothing left for the shell", not select.select([t.slave], [], [], 0)[0])
    finally:
        with contextlib.suppress(AttributeError, ProcessLookupError):  # no game found, or gone
            os.kill(t.pid, signal.SIGKILL)
        t.close()


STOP_AND_FG = [b"\x1b[122;5u",
               see("Ctrl+Z: modes, flags, cursor as before", lambda t: lines(t)[-1:] == ["STOPPED"] and restored(t)),
               b"\r", see("fg: cleared, the board drawn again, flags pushed again, cursor hidden",
                          lambda t: "STOPPED" not in lines(t) and board_ok(t) and t.pushed and t.screen.cursor.hidden)]
STOPPED = see("stopped: modes as before", lambda t: " T " in open(f"/proc/{t.pid}/stat").read() and modes_ok(t))
# Enter 0.1 s after the message: keys typed in play are flushed, this one is the game's, unless the
# drain after the pop waits out its 0.2 s for a reply it never asked for.
play("crash and Enter", 0, [UP, see("Player 2 WIN on row 21, flags popped",
                                    lambda t: "Player 2 WIN" in t.screen.display[21] and not t.pushed), 0.1, b"\r"])
play("Escape, its release racing the pop", 0, [ESC])
play("Ctrl+C", 130, [b"\x1b[99;5u"])
play("solocoil, Ctrl+C on a legacy terminal", 130, [b"\x03"], kitty=False, game=2)
for sig in signal.SIGTERM, signal.SIGHUP, signal.SIGSEGV:  # on a legacy terminal no drain takes the key
    play(f"kill -{sig.name[3:]}, a key not yet read", 128 + sig, [b"x", queued, sig], kitty=sig != signal.SIGHUP)
play("Ctrl+Z and fg twice", 0, STOP_AND_FG * 2 + [ESC])
play("Ctrl+Z right after fg", 0, [b"\x1a"] + [  # output not taken: the game's resume lasts till the Ctrl+Z comes
    STOPPED, 0.05, stall, b"\r", see("fg: play modes again", lambda t: not modes_ok(t), 2), signal.SIGTSTP,
    lambda t: stall(t, termios.TCOON)] * 5 + [STOPPED, b"\r", 0.3, b"\x1b"], kitty=False)
play("80x0, then shrunk below 70x22 and grown back", 0, [
    see("80x0: the board on 24 rows", board_ok, 1), lambda t: t.resize(60, 20),
    see("60x20: one line, naming 70x22", lambda t: len(lines(t)) == 1 and "70x22" in lines(t)[0]),
    lambda t: t.resize(80, 24), 1.0, see("80x24 again: the board whole", board_ok, 0), ESC], size=(80, 0))
play("Escape while too small", 0, [lambda t: t.resize(60, 20), 0.3, ESC])
play("closed terminal, SIGHUP ignored", None, [Term.close, see("closed terminal: the game ends within 2.5 s",
     lambda t: not os.path.exists(f"/proc/{t.pid}"), 2.5)], shell="trap '' HUP; ")
play("kill -TERM, its output not read", None, [stall, UP, see(  # Up: a crash into the wall, a few frames on
    "output not read: play goes on, to its end", lambda t: open(f"/proc/{t.pid}/wchan").read() == "wait_woken", 3),
    signal.SIGTERM, see("output not read: kill -TERM ends it within 2.5 s, modes as before",
                        lambda t: not os.path.exists(f"/proc/{t.pid}") and modes_ok(t), 2.5)])
print(f"{len(failures)} checks failed")
sys.exit(1 if failures else 0)
