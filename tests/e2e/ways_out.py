#!/usr/bin/python3
"""Plays the real games on a pty whose other side is the terminal (ptyterm),
under a job-control shell, and leaves them by every way out. After each: the
pty's modes as before, every flags push popped, the cursor shown, the shell's
next line at column 0 under the board, nothing the terminal sent left for the
shell. Usage: ways_out.py DUELCOIL SOLOCOIL   (exit 0: passed)"""
import os, select, signal, sys, termios, time  # noqa: E401

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does not; a
# trapped INT, or dash would die with a job that Ctrl+C ended; no core files from SEGV.
SHELL = 'exec 2>/dev/null; ulimit -c 0; trap : INT; "$0"; s=$?; while [ $s = 148 ]; do echo STOPPED; read x; fg >/dev/null; s=$?; done; echo EXIT $s; sleep 9'
BORDER = {(x, y) for y in range(1, 20) for x in range(70) if y in (1, 19) or x in (0, 69)}
KITTY, LEGACY = b"", None
ESC, UP, RIGHT = b"\x1b[27u", b"\x1b[A", b"\x1b[C"
failures = []


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what, flush=True)
    return ok or failures.append(what)


def see(what, condition, seconds=5.0):  # a step: condition(t) within the seconds
    return lambda t: check(what, t.wait(lambda: condition(t), seconds))


def heads(t, chars="▲▼◄►"):
    return [(c, x, y) for y, r in enumerate(t.screen.display) for x, c in enumerate(r) if c in chars]


def board_ok(t):  # one apple, walls on the border only, nothing but snakes inside
    inside = set("".join(r[1:69] for r in t.screen.display[2:19]))
    return {(x, y) for _, x, y in heads(t, "█")} == BORDER and len(heads(t, "☻")) == 1 and inside <= set(" *☻║═╔╗╚╝▲▼◄►")


below = lambda t, text: any(r.startswith(text) for r in t.screen.display[22:])  # noqa: E731 (column 0, under the board)
modes_ok = lambda t: termios.tcgetattr(t.slave) == t.modes  # noqa: E731
restored = lambda t: modes_ok(t) and not t.stack and not t.screen.cursor.hidden  # noqa: E731
gone = lambda t: not os.path.exists(f"/proc/{t.pid}")  # noqa: E731


def left(t):  # what the shell would read next, a line not yet ended too; the modes are not put back
    raw = termios.tcgetattr(t.slave)
    raw[3], raw[6][termios.VMIN] = raw[3] & ~termios.ICANON, 0
    termios.tcsetattr(t.slave, termios.TCSANOW, raw)
    return os.read(t.slave, 4096)


def fill(t):  # output the terminal has not taken, to the pty's limit; NULs draw nothing
    fd = os.open(os.ttyname(t.slave), os.O_WRONLY | os.O_NONBLOCK | os.O_NOCTTY)  # the game's stays blocking
    while select.select([], [fd], [], 0.05)[1]:  # room the kernel frees as it moves output on counts too
        os.write(fd, b"\0" * 512)
    os.close(fd)


HOLD, FREE = (lambda t: t.lock.acquire()), (lambda t: t.lock.release())  # the terminal stops reading, and goes on
STOPPED = see("stopped: modes as before", lambda t: " T " in open(f"/proc/{t.pid}/stat").read() and modes_ok(t))
STOP_AND_FG = [UP + b"\x1b[122;5u",  # Up held into the stop: its release finds the flags popped, and is lost
               see("Ctrl+Z: the shell's line under the board; modes, flags, cursor as before", lambda t: below(t, "STOPPED") and restored(t)),
               b"\r", see("fg: flags pushed again", lambda t: t.stack), RIGHT + b"\x1b[1;1:3C",
               see("fg: cleared, the board drawn again, cursor hidden",
                   lambda t: "STOPPED" not in "".join(t.screen.display) and board_ok(t) and t.screen.cursor.hidden),
               0.3, see("fg: Up not held any more, Right turned", lambda t: [h[0] for h in heads(t)] == ["►"], 0)]
RUNS = [  # name, exit status (None: the steps check it), steps, terminal, size, program, shell's prefix
    ("crash and Enter", 0, [UP, see("Player 2 WIN on row 21, flags popped",
                                    lambda t: "Player 2 WIN" in t.screen.display[21] and not t.stack), b"\r"]),
    ("Escape, its release racing the pop", 0, [ESC]),
    ("Ctrl+C", 130, [b"\x1b[99;5u"]),
    ("solocoil, Ctrl+C on a legacy terminal", 130, [b"\x03"], LEGACY, (80, 24), 2),
    *[(f"kill -{sig.name[3:]}", 128 + sig, [sig]) for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGSEGV)],
    ("Ctrl+Z and fg twice, Up held across", 0, STOP_AND_FG * 2 + [ESC]),
    ("Ctrl+Z right after fg", 0, [b"\x1a"] + [  # output not taken: the game's resume lasts till the Ctrl+Z comes
        STOPPED, 0.05, HOLD, fill, b"\r", see("fg: play modes again", lambda t: not modes_ok(t), 2), signal.SIGTSTP, FREE
    ] * 5 + [STOPPED, b"\r", 0.3, b"\x1b"], LEGACY),
    ("80x0, then shrunk below 70x22 and grown back", 0, [see("80x0: the board on 24 rows", board_ok, 1),
        lambda t: t.resize(60, 20), see("60x20: one line, naming 70x22", lambda t: [r for r in t.screen.display if r.strip()]
                                        == [r for r in t.screen.display if "70x22" in r] != []),
        lambda t: t.resize(80, 24), 1.0, see("80x24 again: the board whole", board_ok, 0), ESC], KITTY, (80, 0)),
    ("Escape while too small", None, [lambda t: t.resize(60, 20), 0.3, ESC, see(
        "too small: Escape ends it, status 0, modes as before", lambda t: "EXIT 0" in "".join(t.screen.display) and modes_ok(t))]),
    ("closed terminal, SIGHUP ignored", None, [Term.close, see("closed terminal: the game ends within 2.5 s",
                                                               gone, 2.5)], KITTY, (80, 24), 1, "trap '' HUP; "),
    ("kill -TERM, its output not read", None, [RIGHT, 0.3, HOLD, fill, see(  # a moving snake writes every frame
        "output not read: the game's write blocks", lambda t: open(f"/proc/{t.pid}/wchan").read() == "wait_woken", 3), signal.SIGTERM, see(
        "output not read: kill -TERM ends it within 2.5 s, modes as before", lambda t: gone(t) and modes_ok(t), 2.5), FREE]),
]


def play(name, status, steps, reply=KITTY, size=(80, 24), game=1, prefix=""):
    t, failed = Term(["dash", "-m", "-c", prefix + SHELL, sys.argv[game]], size, reply), len(failures)
    try:
        check(f"{name}: header drawn, cursor hidden", t.wait(lambda: t.screen.display[0].startswith("Length")) and t.screen.cursor.hidden)
        t.pid = int(open(f"/proc/{t.pid}/task/{t.pid}/children").read().split()[0])
        for step in steps:  # keys, a pause, a signal to the game, or a function of the terminal
            {bytes: t.send, float: time.sleep, signal.Signals: lambda s: os.kill(t.pid, s)}.get(type(step), lambda s: s(t))(step)
        # Until the exit is seen the shell may be reading, and would take what is left.
        if status is not None and check(f"{name}: exit status {status}", t.wait(lambda: f"EXIT {status} " in "".join(t.screen.display))):
            check(f"{name}: the shell's line at column 0 under the board", below(t, f"EXIT {status} "))
            check(f"{name}: modes as before, flags popped, cursor shown ({modes_ok(t)}, {t.stack})", restored(t))
            check(f"{name}: nothing left for the shell ({(rest := left(t))!r})", not rest)
    finally:
        if len(failures) > failed:
            print("\n".join(t.screen.display))
        if not gone(t):
            os.kill(t.pid, signal.SIGKILL)
        t.close()


for run in RUNS:
    play(*run)
print(f"{len(RUNS)} ways out played, {len(failures)} checks failed")
sys.exit(1 if failures else 0)
