"""A pseudo-terminal whose master side is the terminal: what the program writes
goes into a pyte screen, and its queries are answered as a kitty keyboard
protocol terminal would (reply=b""), as a legacy one that answers only the
device attributes (reply=None), or with a fixed flags reply."""
import fcntl, os, re, select, struct, subprocess, termios, threading, time  # noqa: E401

import pyte

REQUEST = re.compile(rb"\x1b\[([?<>]?)(\d*)([uc])")
PROTOCOL = re.compile(rb"\x1b\[[?<>]\d*u")  # pyte would draw the u of a pop
PARTIAL = re.compile(rb"(\x1b(\[[\d;:<>?]*)?)?$")  # a sequence the read cut: kept for the next


class Term:
    def __init__(self, argv, size=(80, 24), reply=b""):
        self.master, self.slave = os.openpty()
        self.screen = pyte.Screen(*size)
        self.stream = pyte.ByteStream(self.screen)
        self.reply, self.stack, self.out, self.rest = reply, [], bytearray(), b""
        self.release = b""  # sent at the next pop, before anything else is answered
        self.lock, self.reading = threading.RLock(), True
        self.resize(*size)
        self.modes = termios.tcgetattr(self.slave)
        self.proc = subprocess.Popen(argv, stdin=self.slave, stdout=self.slave, stderr=self.slave,
                                     env={**os.environ, "LC_ALL": "C.UTF-8"}, start_new_session=True,
                                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while self.reading:
            if not select.select([self.master], [], [], 0.05)[0]:
                continue
            data = self.rest + os.read(self.master, 65536)
            with self.lock:  # held by a test, the terminal stops reading
                cut = PARTIAL.search(data).start()
                data, self.rest = data[:cut], data[cut:]
                self.out += data
                for kind, number, final in REQUEST.findall(data):
                    if final == b"c":
                        self.send(b"\x1b[?62;c")
                    elif self.reply is None:
                        continue  # a legacy terminal ignores the protocol
                    elif kind == b"?":
                        self.send(self.reply or b"\x1b[?%du" % (self.stack or [0])[-1])
                    elif kind == b">":
                        self.stack.append(int(number or 0))
                    elif kind == b"<":
                        del self.stack[-int(number or 1):]
                        self.send(self.release)
                        self.release = b""
                self.stream.feed(PROTOCOL.sub(b"", data))

    def send(self, data):
        os.write(self.master, data)

    def resize(self, cols, rows):
        with self.lock:
            self.screen.resize(rows or 24, cols)
            fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))

    def wait(self, condition, seconds=5.0):
        end = time.monotonic() + seconds
        while True:
            with self.lock:
                if condition():
                    return True
            if time.monotonic() > end:
                return False
            time.sleep(0.02)

    def hang_up(self):
        self.reading = False
        self.reader.join()
        os.close(self.master)

    def close(self):
        if self.reading:
            self.hang_up()
        self.proc.kill()
        self.proc.wait()
        os.close(self.slave)
