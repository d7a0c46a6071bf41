// The console on a POSIX terminal: ANSI/xterm control sequences to standard
// output, keys read raw from the controlling terminal and decoded by keys.cpp.
//
// The terminal's modes are put back on every way out: consoleClose, exit(),
// the end of a game (before the line is read), a fatal signal, and for the
// time the game is stopped by Ctrl+Z.
//
// Output goes through a model of the screen (screen.h): the console calls
// change the picture the game wants, and each flush sends only the cells that
// differ from what the terminal shows, in one write. Flushes come before every
// sleep and at flushOutput (once a frame), before the final read and at
// consoleClose. Ctrl+Z does not flush: the stop handler cannot touch the model
// safely, and what it leaves out is at most the drawing done since the last
// flush, which comes just before each frame's sleep, where a Ctrl+Z nearly
// always lands. A continue (after Ctrl+Z or any stop) and a resize only set a
// flag; the next flush then takes the terminal's size again and sends every
// cell the game has drawn, since what the terminal shows can no longer be
// trusted.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "keys.h"
#include "platform.h"
#include "screen.h"

namespace {

constexpr int MAX_READS_PER_POLL = 64; // bounds a poll however fast keys pour in

// State the signal handlers read is written before they are installed;
// what changes while they are installed is a sig_atomic_t.
struct Terminal {
    int tty = -1;   // the controlling terminal: keys and modes
    termios found;  // the modes as the game found them
    termios play;   // the same without line editing and echo
    screen::Model screen; // what the game wants shown, and what the terminal shows
    KeyDecoder decoder;
    KeyTable keys;
    struct sigaction stopAction; // re-installed after each Ctrl+Z
};

Terminal term;

volatile std::sig_atomic_t g_open = 0;         // between consoleOpen and consoleClose
volatile std::sig_atomic_t g_wantPlay = 0;     // play modes wanted (until the final read)
volatile std::sig_atomic_t g_playActive = 0;   // play modes applied to the terminal
volatile std::sig_atomic_t g_color = -1;       // attribute of the output being buffered
volatile std::sig_atomic_t g_shownColor = -1;  // attribute of the output last written out
volatile std::sig_atomic_t g_screenStale = 0;  // continued or resized: resend everything

bool g_exitHookSet = false;

// The signals that end the game (SIGPIPE too, for output piped into a reader
// that quits), SIGTSTP, SIGCONT and SIGWINCH; see HANDLERS.
constexpr int HANDLED_COUNT = 8;
struct sigaction g_previous[HANDLED_COUNT];
bool g_installed[HANDLED_COUNT];

// ---- Output --------------------------------------------------------------

constexpr char RESET_FOREGROUND[] = "\x1b[39m";

// One write from a signal handler; a short or failed write only costs looks.
void writeNow(const char* text, std::size_t length) {
    const ssize_t written = write(STDOUT_FILENO, text, length);
    (void)written;
}

// Writes everything, through partial writes, interruptions and a non-blocking
// descriptor; gives up only on a real error.
void writeAll(const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = write(STDOUT_FILENO, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{STDOUT_FILENO, POLLOUT, 0};
            poll(&wait, 1, -1);
        } else {
            return;
        }
    }
}

// The model's sink: everything it encodes, in one write when it fits.
void writeOut(void*, const char* data, std::size_t length) { writeAll(data, length); }

// The terminal's size, for the model to clamp and wrap as the terminal does.
void terminalSize(int& cols, int& rows) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        if (ioctl(term.tty, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
            size.ws_col = screen::MAX_COLS; // output not to a terminal: no edges to mind
            size.ws_row = screen::MAX_ROWS;
        }
    }
    cols = size.ws_col;
    rows = size.ws_row;
}

// ---- Modes and signals -----------------------------------------------------

bool inForeground() { return tcgetpgrp(term.tty) == getpgrp(); }

// Async-signal-safe, and harmless when the modes are already back.
void restoreModes() {
    if (g_playActive == 0) return;
    // TCSAFLUSH: keys typed during play are the game's, not the shell's.
    tcsetattr(term.tty, TCSAFLUSH, &term.found);
    g_playActive = 0;
}

// Async-signal-safe. Only the foreground job may change the terminal's modes:
// a job continued in the background gets them when it is brought back.
void enterPlayModes() {
    if (g_wantPlay == 0 || !inForeground()) return;
    if (tcsetattr(term.tty, TCSAFLUSH, &term.play) == 0) g_playActive = 1;
}

// From a handler: takes the signal's default action now (die, or stop).
void raiseByDefault(int sig) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
}

void onFatalSignal(int sig) {
    restoreModes();
    if (g_open != 0 && g_shownColor >= 0) writeNow(RESET_FOREGROUND, sizeof RESET_FOREGROUND - 1);
    raiseByDefault(sig); // the shell sees a program ended by that signal
}

// Ctrl+Z: the shell gets its modes and colour back while the game is stopped.
// Buffered drawing stays buffered; writing it here would not be safe.
void onStop(int) {
    const int savedErrno = errno;
    restoreModes();
    if (g_open != 0 && g_shownColor >= 0) writeNow(RESET_FOREGROUND, sizeof RESET_FOREGROUND - 1);
    raiseByDefault(SIGTSTP); // stops here; onContinue runs when the job is continued
    sigaction(SIGTSTP, &term.stopAction, nullptr);
    errno = savedErrno;
}

// Any continue, after Ctrl+Z or another stop: play modes and colour again.
void onContinue(int) {
    const int savedErrno = errno;
    g_screenStale = 1;
    enterPlayModes();
    if (g_playActive != 0 && g_shownColor >= 0) {
        char text[16];
        // encodeColor makes no library call, so a handler may use it.
        writeNow(text, screen::encodeColor(text, static_cast<short>(g_shownColor)));
    }
    errno = savedErrno;
}

// A resize: the terminal may have moved or dropped what it showed.
void onResize(int) { g_screenStale = 1; }

struct Handler {
    int sig;
    void (*handle)(int);
};

const Handler HANDLERS[HANDLED_COUNT] = {
    {SIGINT, onFatalSignal},  {SIGTERM, onFatalSignal}, {SIGHUP, onFatalSignal},
    {SIGQUIT, onFatalSignal}, {SIGPIPE, onFatalSignal}, {SIGTSTP, onStop},
    {SIGCONT, onContinue},    {SIGWINCH, onResize},
};

void installHandlers() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const Handler& h : HANDLERS) {
        if (h.sig != SIGCONT) sigaddset(&blocked, h.sig);
    }
    // A background job may restore the terminal's modes without being stopped.
    sigaddset(&blocked, SIGTTOU);

    struct sigaction action {};
    action.sa_mask = blocked;
    action.sa_flags = SA_RESTART; // the final getchar must not fail on a Ctrl+Z
    for (int i = 0; i < HANDLED_COUNT; i++) {
        g_installed[i] = false;
        if (sigaction(HANDLERS[i].sig, nullptr, &g_previous[i]) != 0) continue;
        // A signal ignored on entry (nohup, a shell without job control) stays ignored.
        const bool ignored = (g_previous[i].sa_flags & SA_SIGINFO) == 0 &&
                             g_previous[i].sa_handler == SIG_IGN;
        if (ignored && HANDLERS[i].sig != SIGCONT) continue;
        action.sa_handler = HANDLERS[i].handle;
        if (HANDLERS[i].sig == SIGTSTP) term.stopAction = action;
        g_installed[i] = sigaction(HANDLERS[i].sig, &action, nullptr) == 0;
    }
}

void restoreHandlers() {
    for (int i = 0; i < HANDLED_COUNT; i++) {
        if (g_installed[i]) sigaction(HANDLERS[i].sig, &g_previous[i], nullptr);
        g_installed[i] = false;
    }
}

void closeAtExit() { consoleClose(); }

termios playModes(termios modes) {
    // ISIG stays on: Ctrl+C and Ctrl+Z work as in any program. Output
    // processing stays on too; the game writes no newlines during play.
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    modes.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    // Reads never wait: the descriptor is non-blocking. VMIN stays 1 rather
    // than 0 so that a shell handed the terminal in these modes (the game
    // killed or stopped by a signal no program can catch) waits for a key
    // instead of reading end-of-file and exiting.
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    return modes;
}

} // namespace

bool consoleOpen() {
    if (g_open != 0) return true;
    const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (tty < 0) {
        std::fprintf(stderr, "cannot play without a terminal (could not open /dev/tty: %s)\n",
                     std::strerror(errno));
        return false;
    }
    termios found;
    if (tcgetattr(tty, &found) != 0) {
        std::fprintf(stderr, "cannot play without a terminal (/dev/tty: %s)\n", std::strerror(errno));
        close(tty);
        return false;
    }
    term.tty = tty;
    term.found = found;
    term.play = playModes(found);
    int cols = 0;
    int rows = 0;
    terminalSize(cols, rows);
    screen::reset(term.screen, cols, rows, {writeOut, nullptr});
    g_screenStale = 0;
    term.decoder = KeyDecoder{};
    term.keys = KeyTable{};
    g_color = -1;
    g_shownColor = -1;

    // The way back is set up before the terminal is changed.
    if (!g_exitHookSet) g_exitHookSet = std::atexit(closeAtExit) == 0;
    g_open = 1;
    installHandlers();
    g_wantPlay = 1;
    enterPlayModes();
    return true;
}

void consoleClose() {
    if (g_open == 0) return;
    flushOutput();
    g_wantPlay = 0;
    restoreModes();
    // The game leaves its last colour set; the player's prompt should come
    // back in the terminal's own colour. A game that never set one sends nothing.
    if (g_shownColor >= 0) writeAll(RESET_FOREGROUND, sizeof RESET_FOREGROUND - 1);
    g_open = 0;
    restoreHandlers();
    close(term.tty);
    term.tty = -1;
}

void gotoxy(int x, int y) { screen::moveTo(term.screen, x, y); }

void setColor(short color) {
    g_color = color & 0xF;
    screen::setColor(term.screen, color);
}

void putText(const char* text) { screen::putText(term.screen, text); }

void putGlyph(unsigned char glyph) { screen::putGlyph(term.screen, glyph); }

void flushOutput() {
    if (g_screenStale != 0) {
        g_screenStale = 0;
        int cols = 0;
        int rows = 0;
        terminalSize(cols, rows);
        screen::resize(term.screen, cols, rows);
    }
    screen::flush(term.screen);
    g_shownColor = g_color;
}

int keyState(int vk) {
    if (g_open == 0) return 0;
    const KeyClock::time_point now = KeyClock::now();
    unsigned char bytes[256];
    for (int i = 0; i < MAX_READS_PER_POLL; i++) {
        const ssize_t n = read(term.tty, bytes, sizeof bytes);
        if (n > 0) {
            feedKeys(term.decoder, term.keys, bytes, static_cast<std::size_t>(n), now);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break; // nothing more for now (EAGAIN), or the terminal is gone
        }
    }
    feedKeys(term.decoder, term.keys, nullptr, 0, now);
    return pollKey(term.keys, vk);
}

void sleepMs(int ms) {
    flushOutput();
    if (ms <= 0) return;
    timespec left{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::time_t clockSeconds() { return std::time(nullptr); }

int readChar() {
    flushOutput();
    if (g_open != 0) {
        g_wantPlay = 0;
        restoreModes();
        // Keys typed during play that the game never read (an Enter among
        // them) must not answer this read, or the outcome would flash by.
        tcflush(term.tty, TCIFLUSH);
    }
    const int c = std::getchar();
    // The terminal is the player's now: the line they typed moved the cursor,
    // and nothing drawn before is sent again, whatever happened meanwhile.
    screen::handOver(term.screen);
    g_screenStale = 0;
    return c;
}
