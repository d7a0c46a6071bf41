"""A pseudo-terminal whose master side is the terminal: what the program writes
goes into a pyte screen, and its queries are answered as a kitty keyboard
protocol terminal would (reply=b""), as a legacy one that answers only the
device attributes (reply=None), or with a fixed flags reply. While a test holds
the lock, the terminal reads nothing."""
import fcntl, os, re, select, struct, subprocess, termios, threading, time  # noqa: E401

import pyte

REQUEST = re.compile(rb"\x1b\[([?<>]?)(\d*)([uc])")
PROTOCOL = re.compile(rb"\x1b\[[?<>]\d*u")  # pyte would draw the u of a pop
PARTIAL = re.compile(rb"(\x1b(\[[\d;:<>?]*)?)?$")  # a sequence the read cut: kept for the next
PRESS = re.compile(rb"\x1b\[(\d+)(?:;(\d+))?u")  # a kitty key press


class Term:
    def __init__(self, argv, size=(80, 24), reply=b""):
        self.master, self.slave = os.openpty()
        self.screen = pyte.Screen(*size)
        self.stream, self.reply, self.stack, self.rest, self.release = pyte.ByteStream(self.screen), reply, [], b"", b""
        self.lock, self.reading = threading.RLock(), True
        self.resize(*size)
        self.modes = termios.tcgetattr(self.slave)
        self.proc = subprocess.Popen(argv, stdin=self.slave, stdout=self.slave, stderr=self.slave,
                                     env={**os.environ, "LC_ALL": "C.UTF-8"}, start_new_session=True,
                                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        self.pid = self.proc.pid  # the program's; a test may name one started under it
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while self.reading:
            if select.select([self.master], [], [], 0.05)[0]:
                with self.lock:
                    data = self.rest + os.read(self.master, 65536)
                    data, self.rest = data[:(cut := PARTIAL.search(data).start())], data[cut:]
                    for kind, number, final in REQUEST.findall(data):
                        if final == b"c":
                            os.write(self.master, b"\x1b[?62;c")
                        elif kind == b"?" and self.reply is not None:  # a legacy terminal ignores the protocol
                            os.write(self.master, self.reply or b"\x1b[?%du" % (self.stack or [0])[-1])
                        elif kind == b">":
                            self.stack.append(int(number or 0))
                        elif kind == b"<":
                            del self.stack[-int(number or 1):]
                            os.write(self.master, self.release)  # let go as the game ends: sent before the pop takes effect
                    self.stream.feed(PROTOCOL.sub(b"", data))

    def send(self, data):
        press = PRESS.fullmatch(data)
        self.release = b"\x1b[%s;%s:3u" % (press[1], press[2] or b"1") if press else b""
        os.write(self.master, data)

    def resize(self, cols, rows):
        with self.lock:
            self.screen.resize(rows or 24, cols)
            fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))

    def wait(self, condition, seconds=5.0):
        for _ in range(int(seconds / 0.02) + 1):
            with self.lock:
                if condition():
                    return True
            time.sleep(0.02)
        return False

    def close(self):  # hangs the session up, then ends what is left of it
        while self.lock._is_owned():  # by a test that failed while the terminal was not reading
            self.lock.release()
        if self.reading:
            self.reading = False
            self.reader.join()
            list(map(os.close, (self.master, self.slave)))
            self.proc.kill()
            self.proc.wait()
