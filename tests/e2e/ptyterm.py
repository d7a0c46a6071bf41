"""A pseudo-terminal whose master side is the terminal: what the program writes
goes into a pyte screen, and its queries are answered as a kitty keyboard
protocol terminal would, or (kitty=False) as a legacy one that answers only the
device attributes. A pop is answered with an Escape let go, which comes before
the pop takes effect: a finger lifted as the game ends.

The terminal works only while its user calls run(seconds): one thread, so the
screen and the count of pushes never change under a check."""
import fcntl, os, pyte, re, select, struct, subprocess, termios, time  # noqa: E401

REQUEST = re.compile(rb"\x1b\[([?<>]?)(\d*)([uc])")  # answered, not drawn: pyte would draw the u of a pop
PARTIAL = re.compile(rb"(\x1b(\[[\d;:<>?]*)?)?$")  # a sequence the read cut: kept for the next


class Term:
    def __init__(self, argv, size=(80, 24), kitty=True):
        self.master, self.slave = os.openpty()
        self.screen, self.pushed, self.rest = pyte.Screen(80, 24), 0, b""  # pushed: the protocol's flags
        self.stream, self.kitty, self.flags = pyte.ByteStream(self.screen), kitty, 0  # flags: those in force
        self.resize(*size)
        self.modes = termios.tcgetattr(self.slave)
        self.send = lambda keys: os.write(self.master, keys)  # keys typed, or what the terminal reports
        self.proc = subprocess.Popen(argv, stdin=self.slave, stdout=self.slave, stderr=self.slave,
                                     env={**os.environ, "LC_ALL": "C.UTF-8"}, start_new_session=True,
                                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))

    def run(self, seconds):  # reads, answers and draws what comes in the seconds; once closed, only waits
        end = time.monotonic() + seconds
        while (left := end - time.monotonic()) > 0:
            if select.select([self.master] if self.proc.returncode is None else [], [], [], left)[0]:
                data = self.rest + os.read(self.master, 65536)
                data, self.rest = data[:(cut := PARTIAL.search(data).start())], data[cut:]
                for kind, number, final in REQUEST.findall(data):
                    request = kind + final
                    self.pushed += {b">u": 1, b"<u": -int(number or 1)}.get(request, 0)
                    self.flags = int(number or 0) if request == b">u" else self.flags * (self.pushed > 0)
                    os.write(self.master, {b"c": b"\x1b[?62;c", b"<u": b"\x1b[27;1:3u",  # a pop: Escape let go
                                           b"?u": b"\x1b[?%du" % self.flags * self.kitty}.get(request, b""))
                self.screen.resize(*self.size)  # before what was written at the new size
                self.stream.feed(REQUEST.sub(b"", data))

    def resize(self, cols, rows):
        self.size = rows or 24, cols
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))

    def close(self):  # hangs the session up, then ends what is left of it
        if self.proc.returncode is None:
            os.close(self.master), os.close(self.slave)
            self.proc.kill(), self.proc.wait()
