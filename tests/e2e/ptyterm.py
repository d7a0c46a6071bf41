"""A pseudo-terminal whose master side is the terminal: what the program writes
goes into a pyte screen, and its queries are answered as a kitty keyboard
protocol terminal would, or (kitty=False) as a legacy one that answers only the
device attributes. A pop is answered with an Escape let go, which comes before
the pop takes effect: a finger lifted as the game ends."""
import fcntl, os, pyte, re, select, struct, subprocess, termios, threading  # noqa: E401

REQUEST = re.compile(rb"\x1b\[([?<>]?)(\d*)([uc])")  # answered, not drawn: pyte would draw the u of a pop
PARTIAL = re.compile(rb"(\x1b(\[[\d;:<>?]*)?)?$")  # a sequence the read cut: kept for the next


class Term:
    def __init__(self, argv, size=(80, 24), kitty=True):
        self.master, self.slave = os.openpty()
        self.screen, self.pushed, self.rest = pyte.Screen(80, 24), 0, b""  # pushed: the protocol's flags
        self.stream, self.display = pyte.ByteStream(self.screen), self.screen.display
        self.answers = {b"c": b"\x1b[?62;c", b"?u": b"\x1b[?0u" * kitty, b"<u": b"\x1b[27;1:3u"}
        self.resize(*size)
        self.modes = termios.tcgetattr(self.slave)
        self.proc = subprocess.Popen(argv, stdin=self.slave, stdout=self.slave, stderr=self.slave,
                                     env={**os.environ, "LC_ALL": "C.UTF-8"}, start_new_session=True,
                                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        self.resume()

    def _read(self):
        while self.reading:
            if select.select([self.master], [], [], 0.05)[0]:
                data = self.rest + os.read(self.master, 65536)
                data, self.rest = data[:(cut := PARTIAL.search(data).start())], data[cut:]
                for kind, number, final in REQUEST.findall(data):
                    self.pushed += {b">u": 1, b"<u": -int(number or 1)}.get(kind + final, 0)
                    os.write(self.master, self.answers.get(kind + final, b""))
                self.screen.resize(*self.size)  # before what was written at the new size
                self.stream.feed(REQUEST.sub(b"", data))
                self.display = self.screen.display  # a copy the test's thread reads whole

    def send(self, keys):
        os.write(self.master, keys)

    def resize(self, cols, rows):
        self.size = rows or 24, cols
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))

    def pause(self):  # the terminal reads nothing until resumed
        self.reading = False
        self.reader.join()

    def resume(self):
        self.reading, self.reader = True, threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def close(self):  # hangs the session up, then ends what is left of it
        self.pause()
        if self.proc.returncode is None:
            os.close(self.master), os.close(self.slave)
            self.proc.kill(), self.proc.wait()
