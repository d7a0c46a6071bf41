// The console on a POSIX terminal: ANSI/xterm sequences and keys read raw,
// both on the controlling terminal (/dev/tty), so redirecting standard input
// or output does not disturb play. A terminal that speaks the kitty keyboard
// protocol is asked to report releases, so that a held key counts at every poll.
//
// Whatever the game changes (input modes, keyboard flags, the cursor's
// visibility) is put back on every way out: the end of a game, a signal that
// ends it, a crash, a closed terminal, and for as long as Ctrl+Z stops it.
// Every way back to the shell parks the cursor under the board first, so the
// shell prints below it. After a continue or a resize the screen is cleared
// and drawn again, since what it shows can no longer be trusted; while the
// terminal is too small for the board, play pauses behind a one-line notice.
//
// Drawing goes into a model of the screen (screen.h); the flush once a frame
// sends what changed in one write. Signal handlers touch only the terminal's
// modes and write a few fixed bytes, each write bounded in time.
#include <fcntl.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>

#include "keys.h"
#include "platform.h"
#include "screen.h"

// In the runtime of a sanitizer build only; weak, so null elsewhere.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace {

constexpr char QUERY[] = "\x1b[?u\x1b[c";       // flags, then device attributes: every terminal answers those
constexpr char PUSH[] = "\x1b[>11u";            // disambiguate, report releases, every key as a code
constexpr char POP_AND_ASK[] = "\x1b[<u\x1b[c"; // the answer comes after every key sent before the pop
constexpr char HIDE_CURSOR[] = "\x1b[?25l";
constexpr char SHOW_CURSOR[] = "\x1b[?25h";
constexpr char RESET_COLOR[] = "\x1b[39m";
constexpr int REPLY_WAIT_MS = 200; // a local terminal answers in a few; a silent one is legacy

const int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT,
                       SIGBUS, SIGFPE,  SIGILL, SIGTSTP, SIGCONT, SIGWINCH};

// All the console's state. What handlers change is a sig_atomic_t; the rest
// is set before they are installed, or changed with them held off.
struct Terminal {
    int tty = -1;
    termios found; // the modes as the game found them
    termios play;  // the same without line editing and echo
    int needCols, needRows;
    screen::Model screen;
    Keys keys;
    char park[24]; // to column 0 of the row under the board
    sigset_t handled;
    struct sigaction previous[std::size(HANDLED)];
    bool installed[std::size(HANDLED)];
    struct sigaction stopAction;
    bool small; // too small for the board: play waits behind a notice
    bool exitHook;
    volatile std::sig_atomic_t open, wanted; // play wanted: from open until the final read
    volatile std::sig_atomic_t playing;      // play modes (and hidden cursor) applied
    volatile std::sig_atomic_t wantFlags, flagsPushed;
    volatile std::sig_atomic_t parked;  // the cursor waits under the board for the shell
    volatile std::sig_atomic_t colored; // a colour was sent: reset it for the shell
    volatile std::sig_atomic_t stale;   // continued or resized: clear and draw again
    volatile std::sig_atomic_t resumed; // continued: keys held before may be up by now
    volatile std::sig_atomic_t gone;    // the terminal hung up (end of input, EIO)
    volatile std::sig_atomic_t stuck;   // the terminal stopped taking output
    bool keysRead;                      // this frame's keys are read: its polls all see the same ones
};

Terminal term;
char out[screen::OUT_MAX];

// Waits up to ms for the terminal to be readable (or writable); select, since
// macOS's poll does not take a terminal.
bool waitTty(bool writing, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(term.tty, &set);
    timeval limit{ms / 1000, ms % 1000 * 1000};
    return select(term.tty + 1, writing ? nullptr : &set, writing ? &set : nullptr, nullptr, &limit) > 0;
}

// Async-signal-safe. The descriptor does not block, and a terminal that takes
// nothing for half a second is given up on until it takes something again, so
// no caller, handler or not, hangs.
bool send(const char* data, std::size_t length) {
    for (int waits = 0; length > 0;) {
        const ssize_t n = write(term.tty, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && term.stuck == 0 && waits++ < 5) {
            waitTty(true, 100);
        } else {
            if (n < 0 && errno == EIO) term.gone = 1;
            if (n < 0 && errno == EAGAIN) term.stuck = 1; // later writes try once, without waiting
            return false;
        }
    }
    term.stuck = 0;
    return true;
}

template <std::size_t N>
bool send(const char (&text)[N]) {
    return send(text, N - 1);
}

// Async-signal-safe: reads what the terminal sends until the device
// attributes arrive or the wait runs out, into k.
void awaitAnswer(Keys& k) {
    k.answered = false;
    for (int waited = 0; !k.answered && waited < REPLY_WAIT_MS; waited += 10) {
        if (!waitTty(false, 10)) continue;
        unsigned char bytes[256];
        const ssize_t n = read(term.tty, bytes, sizeof bytes);
        if (n == 0 || (n < 0 && errno == EIO)) return; // the terminal is gone
        if (n > 0) feedKeys(k, bytes, static_cast<std::size_t>(n), KeyClock::now());
    }
}

// Async-signal-safe, and each does nothing when already done. The main flow
// calls them with the handlers held off, so that none sees a change half made.
void pushFlags() {
    if (term.wantFlags == 0 || term.playing == 0 || term.flagsPushed != 0) return;
    term.flagsPushed = 1;
    send(PUSH);
}

// Only the foreground job may change the terminal's modes: a job continued in
// the background gets them when it is brought back.
void enterPlay() {
    if (term.wanted == 0 || term.playing != 0 || tcgetpgrp(term.tty) != getpgrp()) return;
    term.playing = 1; // first: restoring modes that were not yet changed is harmless
    term.parked = 0;
    term.stale = 1; // the shell may have drawn meanwhile
    tcsetattr(term.tty, TCSANOW, &term.play);
    send(HIDE_CURSOR);
    pushFlags();
}

void leavePlay() {
    if (term.playing == 0) return;
    if (term.flagsPushed != 0) {
        term.flagsPushed = 0;
        // Events the terminal reported before it took the pop (the release of
        // Escape) are the game's: read them here, not the shell.
        Keys drain{};
        if (send(POP_AND_ASK)) awaitAnswer(drain);
    }
    send(SHOW_CURSOR);
    // TCSANOW: waiting for output to drain could hang on a terminal that reads
    // none; the input flush keeps keys typed in play away from the shell.
    tcsetattr(term.tty, TCSANOW, &term.found);
    tcflush(term.tty, TCIFLUSH);
    term.playing = 0;
}

// Every way back to the shell: the terminal as it was found, the cursor
// under the board and the terminal's own colour.
void handBack() {
    leavePlay();
    if (term.parked != 0 || term.tty < 0) return;
    term.parked = 1;
    send(term.park, std::strlen(term.park));
    if (term.colored != 0) send(RESET_COLOR);
}

// Runs a change of the terminal's state from the main flow with the handlers
// held off, so that none sees it half made.
void held(void (*change)()) {
    sigset_t before;
    sigprocmask(SIG_BLOCK, &term.handled, &before);
    change();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

void takeDefault(int sig) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(sig, &fallback, nullptr);
}

void raiseNow(int sig) {
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
}

void onEnd(int sig) {
    handBack();
    takeDefault(sig);
    raiseNow(sig); // the shell sees a program ended by that signal
}

// A crash: once the terminal is back the signal goes to whoever had it
// before, the default action or a sanitizer that reports the fault.
void onCrash(int sig, siginfo_t* info, void*) {
    handBack();
    for (std::size_t i = 0; i < std::size(HANDLED); i++) {
        if (HANDLED[i] == sig && term.installed[i]) sigaction(sig, &term.previous[i], nullptr);
    }
    if (info != nullptr && info->si_code > 0) return; // a fault comes back at once, state intact
    raiseNow(sig);
}

// A sanitizer's report ends the program by its own exit, with no signal.
void onSanitizerDeath() { handBack(); }

// A shell can continue the job only if its process group is not orphaned;
// an orphan is not stopped at all, and play goes on.
bool orphaned() { return getsid(getppid()) != getsid(0) || getpgid(getppid()) == getpgrp(); }

// Ctrl+Z. The stop comes by the default action, in sigsuspend: it stops there
// and returns once SIGCONT's handler has run, with SIGTSTP blocked again, so
// a second stop cannot find the default action in place and skip the restore.
void onStop(int) {
    const int savedErrno = errno;
    handBack();
    if (!orphaned()) {
        takeDefault(SIGTSTP);
        raise(SIGTSTP); // pending: blocked while this handler runs
        sigset_t waiting;
        sigprocmask(SIG_BLOCK, nullptr, &waiting);
        sigdelset(&waiting, SIGTSTP);
        sigdelset(&waiting, SIGCONT);
        sigsuspend(&waiting);
        sigaction(SIGTSTP, &term.stopAction, nullptr);
    }
    enterPlay();
    errno = savedErrno;
}

void onContinue(int) {
    const int savedErrno = errno;
    term.resumed = 1;
    enterPlay();
    errno = savedErrno;
}

void onResize(int) { term.stale = 1; }

void handle(int sig) {
    if (sig == SIGTSTP) return onStop(sig);
    if (sig == SIGCONT) return onContinue(sig);
    if (sig == SIGWINCH) return onResize(sig);
    onEnd(sig);
}

// A stack overflow needs a stack of its own to restore from; one already set
// (a sanitizer's) is kept.
alignas(16) char crashStack[64 * 1024];

void installHandlers() {
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(onSanitizerDeath);
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) != 0) {
        stack_t ours{};
        ours.ss_sp = crashStack;
        ours.ss_size = sizeof crashStack;
        sigaltstack(&ours, nullptr);
    }
    sigemptyset(&term.handled);
    for (int sig : HANDLED) sigaddset(&term.handled, sig);
    struct sigaction action {};
    action.sa_mask = term.handled;
    sigdelset(&action.sa_mask, SIGCONT); // a stopped handler must see its continue
    sigaddset(&action.sa_mask, SIGTTOU); // a background job may still restore modes
    for (std::size_t i = 0; i < std::size(HANDLED); i++) {
        const int sig = HANDLED[i];
        term.installed[i] = false;
        if (sigaction(sig, nullptr, &term.previous[i]) != 0) continue;
        // A signal ignored on entry (nohup, a shell without job control) stays ignored.
        const struct sigaction& was = term.previous[i];
        if ((was.sa_flags & SA_SIGINFO) == 0 && was.sa_handler == SIG_IGN && sig != SIGCONT) continue;
        const bool crash = sig == SIGSEGV || sig == SIGABRT || sig == SIGBUS || sig == SIGFPE || sig == SIGILL;
        action.sa_flags = SA_RESTART | (crash ? SA_SIGINFO | SA_ONSTACK : 0); // the final read survives a stop
        if (crash) {
            action.sa_sigaction = onCrash;
        } else {
            action.sa_handler = handle;
        }
        if (sig == SIGTSTP) term.stopAction = action;
        term.installed[i] = sigaction(sig, &action, nullptr) == 0;
    }
}

void restoreHandlers() {
    for (std::size_t i = 0; i < std::size(HANDLED); i++) {
        if (term.installed[i]) sigaction(HANDLED[i], &term.previous[i], nullptr);
        term.installed[i] = false;
    }
}

// The terminal is gone (end of input or EIO): end as a hang-up does, even
// when SIGHUP is ignored, instead of playing on for ever with no one to see.
void hangUp() {
    consoleClose();
    takeDefault(SIGHUP);
    raiseNow(SIGHUP);
}

// Ctrl+C, Ctrl+\ and Ctrl+Z reported as keys: what the terminal driver does
// with their characters on a legacy terminal.
void actOnControl() {
    if (!term.keys.hasControl) return;
    term.keys.hasControl = false;
    if ((term.play.c_lflag & ISIG) == 0) return;
    const cc_t c = term.keys.control;
    const int sig = c == term.play.c_cc[VINTR]   ? SIGINT
                    : c == term.play.c_cc[VQUIT] ? SIGQUIT
                    : c == term.play.c_cc[VSUSP] ? SIGTSTP
                                                 : 0;
    if (sig != 0) kill(0, sig);
}

void readKeys() {
    if (term.wanted != 0 && term.playing == 0) held(enterPlay); // continued while not yet in the foreground
    if (term.resumed != 0) {
        term.resumed = 0;
        releaseAllKeys(term.keys);
    }
    const KeyClock::time_point now = KeyClock::now();
    for (int i = 0; i < 64; i++) { // bounded however fast keys pour in
        unsigned char bytes[256];
        const ssize_t n = read(term.tty, bytes, sizeof bytes);
        if (n > 0) {
            feedKeys(term.keys, bytes, static_cast<std::size_t>(n), now);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0 || errno == EIO) term.gone = 1;
            break;
        }
    }
    timeOutLoneEscape(term.keys, now);
    if (term.gone != 0) hangUp();
    actOnControl();
}

// Takes the terminal's size again. A clear comes first when asked (what it
// shows cannot be trusted) and whenever the board does not fit, which shows
// a one-line notice instead. A size of 0 is unknown: the board is drawn.
void measure(bool clear) {
    term.stale = 0;
    winsize size{};
    ioctl(term.tty, TIOCGWINSZ, &size);
    const int cols = size.ws_col;
    const int rows = size.ws_row;
    term.small = (cols > 0 && cols < term.needCols) || (rows > 0 && rows < term.needRows);
    screen::invalidate(term.screen, cols, rows);
    if (!clear && !term.small) return;
    int n = std::snprintf(out, sizeof out, "\x1b[H\x1b[2J");
    if (term.small) {
        char notice[80];
        const int length = std::snprintf(notice, sizeof notice, "The game needs %dx%d; this terminal is %dx%d.",
                                         term.needCols, term.needRows, cols, rows);
        n += std::snprintf(out + n, sizeof out - n, "%.*s", cols < length ? cols : length, notice);
    }
    send(out, static_cast<std::size_t>(n));
}

// A job in the background draws nothing: the shell has the screen, and the
// frame is sent whole once the job is brought back.
void sendFrame(bool cursor) {
    if (term.small || term.playing == 0) return;
    if (!send(out, screen::flush(term.screen, out, cursor))) term.stale = 1;
}

// Play is over: no continue may bring its modes back.
void endPlay(void (*leave)()) {
    term.wanted = 0;
    term.wantFlags = 0;
    held(leave);
}

void closeAtExit() { consoleClose(); }

bool namesUtf8(const char* name) {
    for (; name != nullptr && *name != '\0'; name++) {
        if (strncasecmp(name, "utf-8", 5) == 0 || strncasecmp(name, "utf8", 4) == 0) return true;
    }
    return false;
}

// The user's character set, by the variable that decides it.
bool utf8Locale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') return namesUtf8(value);
    }
    return false;
}

} // namespace

bool consoleOpen(int columns, int rows) {
    if (term.open != 0) return true;
    term.tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (term.tty < 0 || tcgetattr(term.tty, &term.found) != 0) {
        std::fprintf(stderr, "cannot play without a terminal (/dev/tty: %s)\n", std::strerror(errno));
        if (term.tty >= 0) close(term.tty);
        term.tty = -1;
        return false;
    }
    term.play = term.found;
    // ISIG stays on: Ctrl+C and Ctrl+Z work as in any program. VMIN 1 rather
    // than 0, so that a shell handed these modes (after kill -9) waits for a
    // key instead of reading end-of-file; our reads never wait anyway.
    term.play.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    term.play.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    term.play.c_cc[VMIN] = 1;
    term.play.c_cc[VTIME] = 0;
    term.needCols = columns;
    term.needRows = rows;
    std::snprintf(term.park, sizeof term.park, "\x1b[%dH\r\n", rows);
    screen::reset(term.screen, !utf8Locale());
    term.keys = Keys{};
    term.small = false;
    term.gone = 0;
    term.stale = 0;
    term.resumed = 0;
    term.colored = 0;

    // The way back is set up before the terminal is changed.
    if (!term.exitHook) term.exitHook = std::atexit(closeAtExit) == 0;
    installHandlers();
    term.open = 1;
    term.wanted = 1;
    held(enterPlay);
    if (term.playing != 0) { // a job started in the background keeps legacy keys
        send(QUERY);
        awaitAnswer(term.keys);
        if (term.keys.flagsSeen) {
            term.wantFlags = 1;
            held(pushFlags);
            term.keys.flagsSeen = false;
            send(QUERY);
            awaitAnswer(term.keys);
            // A key marked down whose release never comes would steer for ever.
            term.keys.reportsReleases = term.keys.flagsSeen && (term.keys.flags & FLAG_REPORT_EVENTS) != 0;
        }
    }
    measure(false);
    return true;
}

void consoleClose() {
    if (term.open == 0) return;
    sendFrame(false);
    endPlay(handBack);
    term.open = 0;
    restoreHandlers();
    close(term.tty);
    term.tty = -1;
}

void gotoxy(int x, int y) { screen::moveTo(term.screen, x, y); }

void setColor(short color) {
    screen::setColor(term.screen, color);
    term.colored = 1;
}

void putText(const char* text) {
    for (; *text != '\0'; text++) screen::put(term.screen, static_cast<unsigned char>(*text));
}

void putGlyph(unsigned char glyph) { screen::put(term.screen, glyph); }

// Escape, Ctrl+C and Ctrl+Z still work while paused.
void pauseWhileTooSmall() {
    if (term.open == 0) return;
    if (term.stale != 0) measure(true);
    while (term.small && !term.keys.pressed[VKEY_ESCAPE] && !term.keys.down[VKEY_ESCAPE]) {
        waitTty(false, 250);
        readKeys();
        if (term.stale != 0) measure(true);
    }
}

void flushOutput() {
    if (term.open == 0) return;
    if (term.stale != 0) measure(true);
    sendFrame(false);
    term.keysRead = false;
}

int keyState(int vk) {
    if (term.open == 0) return 0;
    if (!term.keysRead) readKeys(); // once a frame, after its flush and sleep
    term.keysRead = true;
    return pollKey(term.keys, vk);
}

void sleepMs(int ms) {
    timespec left{ms / 1000, ms % 1000 * 1000000L};
    while (ms > 0 && nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::time_t clockSeconds() { return std::time(nullptr); }

int endPlayAndReadChar() {
    if (term.open != 0) {
        sendFrame(true); // the player's typing shows after the message, in its colour
        endPlay(leavePlay);
    }
    return std::getchar();
}
