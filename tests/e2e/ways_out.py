#!/usr/bin/python3
"""Plays the real games on a pty whose other side is the terminal (ptyterm),
under a job-control shell, and leaves them by every way out. After each: the
pty's modes as before, every flags push popped, the cursor shown, the shell's
next line at column 0 under the board, nothing the terminal sent left for the
shell. Usage: ways_out.py DUELCOIL SOLOCOIL   (exit 0: passed)"""
import os, signal, sys, termios, time  # noqa: E401

from ptyterm import Term

# dash, as bash's fg would put back the modes it saw and hide a game that does not.
SHELL = 'exec 2>/dev/null; "$0"; s=$?; while [ $s = 148 ]; do echo STOPPED; read x; fg >/dev/null; s=$?; done; echo EXIT $s; sleep 9'
BORDER = {(x, y) for y in range(1, 20) for x in range(70) if y in (1, 19) or x in (0, 69)}
KITTY, LEGACY, HUGE = b"", None, b"\x1b[?99999999999999999999u"
ESC, UP, RIGHT = b"\x1b[27u", b"\x1b[A", b"\x1b[C"
failures = []


def check(what, ok):
    print(("ok: " if ok else "FAIL: ") + what, flush=True)
    failures.extend([] if ok else [what])
    return ok


def see(what, condition, seconds=5.0):  # a step: waits up to seconds for condition(t, pid)
    return lambda t, pid: check(what, t.wait(lambda: condition(t, pid), seconds))


def heads(t):
    return [(c, x, y) for y, r in enumerate(t.screen.display) for x, c in enumerate(r) if c in "▲▼◄►"]


def board_ok(t, pid=0):  # one apple, walls on the border only, nothing but snakes inside
    rows = t.screen.display
    walls = {(x, y) for y, r in enumerate(rows) for x, c in enumerate(r) if c == "█"}
    inside = set("".join(r[1:69] for r in rows[2:19]))
    return walls == BORDER and "".join(rows).count("☻") == 1 and inside <= set(" *☻║═╔╗╚╝▲▼◄►")


def below(t, text):  # a line of the shell's at column 0 under the board
    return any(r.startswith(text) for r in t.screen.display[22:])


def restored(t):
    return termios.tcgetattr(t.slave) == t.modes and not t.stack and not t.screen.cursor.hidden


def state(pid):
    return open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()[0]


def left_for_shell(t):
    raw = termios.tcgetattr(t.slave)
    raw[3] &= ~termios.ICANON  # a line not yet ended counts too
    raw[6][termios.VMIN] = 0
    termios.tcsetattr(t.slave, termios.TCSANOW, raw)
    left = os.read(t.slave, 4096)
    termios.tcsetattr(t.slave, termios.TCSANOW, t.modes)
    return left


def fill(t):  # output the terminal has not taken, up to the pty's limit; NULs draw nothing
    fd = os.open(os.ttyname(t.slave), os.O_WRONLY | os.O_NONBLOCK | os.O_NOCTTY)  # the game's stays blocking
    for _ in range(3):  # the reader may take one more read before it stops
        try:
            while True:
                os.write(fd, b"\0" * 512)
        except BlockingIOError:
            time.sleep(0.02)
    os.close(fd)


def stop_after_continue(t, pid):
    for i in range(5):
        t.wait(lambda: state(pid) == "T")
        if termios.tcgetattr(t.slave) != t.modes:
            break
        time.sleep(0.05)  # the shell back in its read
        with t.lock:  # output not taken: the game's resume lasts until the Ctrl+Z has come
            fill(t)
            t.send(b"\r")  # fg
            t.wait(lambda: not termios.tcgetattr(t.slave)[3] & termios.ICANON, 2)
            os.kill(pid, signal.SIGTSTP)
    if check(f"Ctrl+Z right after fg: modes as before while stopped ({i + 1} tries)", termios.tcgetattr(t.slave) == t.modes):
        t.send(b"\r")  # else the shell would wait for the newline ICRNL no longer makes
        t.wait(lambda: state(pid) != "T")


def unread(t, pid):
    t.send(RIGHT)  # a moving snake: a write every frame
    with t.lock:  # the terminal stops reading
        fill(t)
        check("output not read: the game's write blocks",
              t.wait(lambda: open(f"/proc/{pid}/wchan").read() == "wait_woken", 3))
        os.kill(pid, signal.SIGTERM)
        check("output not read: kill -TERM ends the game, modes as before",
              t.wait(lambda: not os.path.exists(f"/proc/{pid}"), 2.5) and termios.tcgetattr(t.slave) == t.modes)


def cut_arrow(final):  # the rest of an arrow 150 ms after its ESC [
    return [b"\x1b[", 0.15, final, 0.3]


STOP_AND_FG = [b"\x1b[A\x1b[122;5u",  # Up held into the stop; its release finds the flags popped and is lost
               see("Ctrl+Z: the shell's line under the board; modes, flags, cursor as before",
                   lambda t, pid: below(t, "STOPPED") and restored(t)),
               b"\r", see("fg: flags pushed again", lambda t, pid: t.stack), RIGHT + b"\x1b[1;1:3C",
               see("fg: cleared, the board drawn again, cursor hidden", lambda t, pid: "STOPPED" not in
                   "".join(t.screen.display) and board_ok(t) and t.screen.cursor.hidden), 0.3,
               see("fg: Up not held any more, Right turned", lambda t, pid: [h[0] for h in heads(t)] == ["►"], 0)]
RUNS = [  # name, exit status (None: the steps check), steps, terminal, size, program, shell prefix
    ("crash and Enter", 0, [UP, see("Player 2 WIN on row 21, flags popped",
                                    lambda t, pid: "Player 2 WIN" in t.screen.display[21] and not t.stack), b"\r"]),
    ("Escape, its release racing the pop", 0, [(ESC, b"\x1b[27;1:3u")]),
    ("Ctrl+C", 130, [(b"\x1b[99;5u", b"\x1b[99;5:3u")]),
    ("solocoil, Ctrl+C on a legacy terminal", 130, [b"\x03"], LEGACY, (80, 24), 2),
    ("kill -TERM", 143, [lambda t, pid: os.kill(pid, signal.SIGTERM)]),
    ("kill -HUP", 129, [lambda t, pid: os.kill(pid, signal.SIGHUP)]),
    ("kill -SEGV", 139, [lambda t, pid: os.kill(pid, signal.SIGSEGV)]),
    ("Ctrl+Z and fg twice, Up held across", 0, STOP_AND_FG * 2 + [ESC]),
    ("Ctrl+Z right after fg", 0, [b"\x1a", stop_after_continue, b"\x1b"], LEGACY),
    ("shrunk below 70x22 and grown back", 0, [
        lambda t, pid: t.resize(60, 20), see("60x20: one line, naming 70x22", lambda t, pid: [
            r for r in t.screen.display if r.strip()] == [r for r in t.screen.display if "70x22" in r] != []),
        lambda t, pid: t.resize(80, 24), 1.0, see("80x24 again: the board whole", board_ok, 0), ESC]),
    ("arrows cut in two", 0, cut_arrow(b"A") + cut_arrow(b"D") + [see(
        "cut arrows: player 1 up then left, player 2 unmoved",
        lambda t, pid: [(c, x < 35, y < 10) for c, x, y in heads(t)] == [("◄", True, True)], 0), b"\x1b"], LEGACY),
    ("a flags reply out of range", 0, [UP, 0.3, RIGHT, 0.5, see(
        "flags reply out of range: Up counted once, Right turned",
        lambda t, pid: [h[0] for h in heads(t)] == ["►"], 0), b"\x1b"], HUGE),
    ("80 columns, 0 rows", 0, [see("80x0: the board on 24 rows", board_ok, 1), ESC], KITTY, (80, 0)),
    ("closed terminal, SIGHUP ignored", None, [lambda t, pid: t.hang_up(), see(
        "closed terminal: the game ends", lambda t, pid: not os.path.exists(f"/proc/{pid}"), 2.5)],
     KITTY, (80, 24), 1, "trap '' HUP; "),
    ("kill -TERM while the output is not read", None, [unread]),
]


def play(name, status, steps, reply=KITTY, size=(80, 24), game=1, prefix=""):
    t = Term(["dash", "-m", "-c", prefix + SHELL, sys.argv[game]], size, reply)
    pid, failed = None, len(failures)
    try:
        t.wait(lambda: t.screen.display[0].startswith("Length"))
        check(f"{name}: header drawn, cursor hidden", t.screen.display[0].startswith("Length") and t.screen.cursor.hidden)
        pid = int(open(f"/proc/{t.proc.pid}/task/{t.proc.pid}/children").read().split()[0])
        for step in steps:
            if isinstance(step, bytes):
                t.send(step)
            elif isinstance(step, float):
                time.sleep(step)
            elif isinstance(step, tuple):  # a kitty press, and the release that comes as it ends the game
                t.release = step[1]
                t.send(step[0])
            else:
                step(t, pid)
        # Unless the exit was seen the shell may be reading, and would take what is left.
        if status is not None and check(f"{name}: exit status {status}, the shell's line under the board",
                                        t.wait(lambda: below(t, f"EXIT {status}"))):
            modes, left = termios.tcgetattr(t.slave) == t.modes, left_for_shell(t)
            check(f"{name}: modes as before ({modes}), flags popped ({t.stack}), cursor shown, "
                  f"nothing left for the shell ({left!r})", restored(t) and not left)
    finally:
        if len(failures) > failed:
            print("\n".join(t.screen.display), f"\nflags pushed: {t.stack}")
        if pid and os.path.exists(f"/proc/{pid}"):
            os.kill(pid, signal.SIGKILL)
        t.close()


if __name__ == "__main__":
    for run in RUNS:
        play(*run)
    print(f"{len(RUNS)} ways out played, {len(failures)} checks failed")
    sys.exit(1 if failures else 0)
