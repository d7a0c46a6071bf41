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
// sends what changed in one write.
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

// A sanitizer's report ends the program by its own exit, with no signal: its
// runtime can call us first. Only sanitizer builds have that runtime.
#if defined(__SANITIZE_ADDRESS__)
#define COIL_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define COIL_SANITIZER 1
#endif
#endif
#ifdef COIL_SANITIZER
extern "C" void __sanitizer_set_death_callback(void (*callback)());
#endif

namespace {

// ---------------------------------------------------------------------------
// The terminal's state
//
// A run goes through three phases: PLAYING from consoleOpen, AWAITING_ENTER
// while the outcome waits for its line, CLOSED after consoleClose. What the
// game changes on the terminal is "ours" only while it is the foreground job
// and not stopped; every way back to the shell gives it back. So:
//
//   flagsPushed => ours => phase != CLOSED        parked => !ours
//
// Handlers read and change the sig_atomic_t fields; the main flow changes
// them only with the handlers held off (withSignalsHeld), and sets the rest
// before the handlers are installed.

enum Phase : std::sig_atomic_t { CLOSED, PLAYING, AWAITING_ENTER };

constexpr char QUERY[] = "\x1b[?u\x1b[c";       // flags, then device attributes: every terminal answers those
constexpr char PUSH[] = "\x1b[>11u";            // disambiguate, report releases, every key as a code
constexpr char POP_AND_ASK[] = "\x1b[<u\x1b[c"; // the answer comes after every key sent before the pop
constexpr char HIDE_CURSOR[] = "\x1b[?25l";
constexpr char SHOW_CURSOR[] = "\x1b[?25h";
constexpr char OWN_COLOR[] = "\x1b[39m";
constexpr int REPLY_WAIT_MS = 200; // a local terminal answers in a few; a silent one is legacy
// How long a way out waits for a terminal that has stopped reading (a stalled
// ssh link, a paused terminal) to take the bytes that give it back. Longer
// than a stall a player sits through; short enough that a terminal gone for
// good does not keep a dying game alive.
constexpr int GIVE_BACK_MS = 3000;

const int HANDLED[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT,
                       SIGBUS, SIGFPE,  SIGILL, SIGTSTP, SIGCONT, SIGWINCH};

struct Terminal {
    // Set by consoleOpen before the handlers are installed.
    int tty = -1;
    termios found; // the modes as the game found them
    termios play;  // the same without line editing and echo
    int needCols, needRows;
    char park[24];    // to column 0 of the row under the board
    bool kitty;       // the terminal speaks the keyboard protocol: its flags are pushed while playing
    bool exitHook;    // closeConsoleAtExit is registered
    sigset_t handled; // the signals below, held off together
    struct sigaction previous[std::size(HANDLED)];
    bool installed[std::size(HANDLED)];
    struct sigaction stopAction;

    // Shared with the handlers.
    volatile std::sig_atomic_t phase;
    volatile std::sig_atomic_t ours;        // play modes and hidden cursor applied
    volatile std::sig_atomic_t flagsPushed; // the keyboard protocol's flags pushed
    volatile std::sig_atomic_t parked;      // given back: the cursor waits under the board for the shell
    volatile std::sig_atomic_t colored;     // a colour was drawn: the shell gets the terminal's own back
    volatile std::sig_atomic_t stale;       // continued or resized: clear and draw everything again
    volatile std::sig_atomic_t resumed;     // continued: keys held before the stop may be up by now
    volatile std::sig_atomic_t gone;        // the terminal hung up (end of input, EIO)

    // The main flow's alone.
    screen::Model screen;
    Keys keys;
    bool keysRead; // this frame's keys are read: its polls all see the same ones
    bool small;    // too small for the board: play waits behind a notice
};

Terminal term;
char out[screen::OUT_MAX];

// ---------------------------------------------------------------------------
// Reading and writing the terminal (all of it async-signal-safe)

// Waits up to ms for the terminal to be readable (or writable); select, since
// macOS's poll does not take a terminal.
bool waitTty(bool writing, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(term.tty, &set);
    timeval limit{ms / 1000, ms % 1000 * 1000};
    return select(term.tty + 1, writing ? nullptr : &set, writing ? &set : nullptr, nullptr, &limit) > 0;
}

long nowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// Writes until everything is taken or the deadline (nowMs) passes; the
// descriptor never blocks. False when something was left unsent.
bool sendBy(long deadline, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t n = write(term.tty, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && nowMs() < deadline) {
            waitTty(true, static_cast<int>(deadline - nowMs()));
        } else {
            if (n < 0 && errno == EIO) term.gone = 1;
            return false;
        }
    }
    return true;
}

// What the terminal takes now. A frame is never waited for: one that cannot
// go out whole is drawn again in full once the terminal reads again.
bool sendNow(const char* data, std::size_t length) { return sendBy(0, data, length); }

template <std::size_t N>
bool sendBy(long deadline, const char (&text)[N]) {
    return sendBy(deadline, text, N - 1);
}

template <std::size_t N>
bool sendNow(const char (&text)[N]) {
    return sendNow(text, N - 1);
}

// Reads what the terminal sends until the device attributes arrive, for at
// most REPLY_WAIT_MS, into k.
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

// ---------------------------------------------------------------------------
// Taking the terminal and giving it back (async-signal-safe, and each does
// nothing when already done)

// Pushed only once the terminal has taken the push whole: a pop must never
// take off flags that were not ours.
void pushFlags() {
    if (!term.kitty || term.phase != PLAYING || term.ours == 0 || term.flagsPushed != 0) return;
    if (sendNow(PUSH)) term.flagsPushed = 1;
}

// Our modes on the terminal, for the phase we are in. Only the foreground job
// may change them: a job continued in the background gets them when it is
// brought back. The screen is cleared at the next frame, which hides the
// cursor too.
void takeTerminal() {
    if (term.phase == CLOSED || term.ours != 0 || tcgetpgrp(term.tty) != getpgrp()) return;
    term.ours = 1; // first: giving back modes that were not yet changed is harmless
    term.parked = 0;
    term.stale = 1; // the shell may have drawn meanwhile
    tcsetattr(term.tty, TCSANOW, &term.play);
    pushFlags();
}

// Puts back the keyboard flags, the cursor and the input modes as they were
// found, waiting until the deadline for a terminal that has stopped reading.
void restoreModes(long deadline) {
    if (term.ours == 0) return;
    if (term.flagsPushed != 0) {
        term.flagsPushed = 0;
        // Events the terminal reported before it took the pop (the release of
        // Escape) are the game's: read them here, not the shell.
        Keys drain{};
        if (sendBy(deadline, POP_AND_ASK)) awaitAnswer(drain);
    }
    sendBy(deadline, SHOW_CURSOR);
    // TCSANOW: waiting for output to drain could hang on a terminal that reads
    // none; the input flush keeps keys typed in play away from the shell.
    tcsetattr(term.tty, TCSANOW, &term.found);
    tcflush(term.tty, TCIFLUSH);
    term.ours = 0;
}

// Every way back to the shell: the modes as found, the cursor under the board
// and the terminal's own colour.
void returnToShell() {
    const long deadline = nowMs() + GIVE_BACK_MS;
    restoreModes(deadline);
    if (term.parked != 0 || term.tty < 0) return;
    term.parked = 1;
    sendBy(deadline, term.park, std::strlen(term.park));
    if (term.colored != 0) sendBy(deadline, OWN_COLOR);
}

// Runs a change of the terminal's state from the main flow with the handlers
// held off, so that none sees it half made.
void withSignalsHeld(void (*change)()) {
    sigset_t before;
    sigprocmask(SIG_BLOCK, &term.handled, &before);
    change();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

// ---------------------------------------------------------------------------
// Signals

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

// Ctrl+C, Ctrl+\, SIGTERM, SIGHUP: the shell sees a program ended by that signal.
void onEndingSignal(int sig) {
    returnToShell();
    takeDefault(sig);
    raiseNow(sig);
}

// A crash: once the terminal is back the signal goes to whoever had it
// before, the default action or a sanitizer that reports the fault.
void onCrash(int sig, siginfo_t* info, void*) {
    returnToShell();
    for (std::size_t i = 0; i < std::size(HANDLED); i++) {
        if (HANDLED[i] == sig && term.installed[i]) sigaction(sig, &term.previous[i], nullptr);
    }
    if (info != nullptr && info->si_code > 0) return; // a fault comes back at once, state intact
    raiseNow(sig);
}

#ifdef COIL_SANITIZER
void onSanitizerDeath() { returnToShell(); }
#endif

// A shell can continue the job only if its process group is not orphaned;
// an orphan is not stopped at all, and play goes on.
bool orphaned() { return getsid(getppid()) != getsid(0) || getpgid(getppid()) == getpgrp(); }

// Ctrl+Z. The stop comes by the default action, in sigsuspend: it stops there
// and returns once SIGCONT's handler has run, with SIGTSTP blocked again, so
// a second stop cannot find the default action in place and skip the restore.
void onStop(int) {
    const int savedErrno = errno;
    returnToShell();
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
    takeTerminal();
    errno = savedErrno;
}

void onContinue(int) {
    const int savedErrno = errno;
    term.resumed = 1;
    takeTerminal();
    errno = savedErrno;
}

void onResize(int) { term.stale = 1; }

void onSignal(int sig) {
    if (sig == SIGTSTP) return onStop(sig);
    if (sig == SIGCONT) return onContinue(sig);
    if (sig == SIGWINCH) return onResize(sig);
    onEndingSignal(sig);
}

// A stack overflow needs a stack of its own to restore from; one already set
// (a sanitizer's) is kept.
alignas(16) char crashStack[64 * 1024];

void installHandlers() {
#ifdef COIL_SANITIZER
    __sanitizer_set_death_callback(onSanitizerDeath);
#endif
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
            action.sa_handler = onSignal;
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

// ---------------------------------------------------------------------------
// Keys

// The terminal is gone (end of input or EIO): end as a hang-up does, even
// when SIGHUP is ignored, instead of playing on for ever with no one to see.
void endAsHangUp() {
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

// A fresh parser's state: between keys.
bool betweenKeys() { return term.keys.state == Keys{}.state; }

// Everything the terminal has sent, through the parser; with text, the bytes
// typed between keys are passed on as well, one at a time.
void readKeys(void (*text)(unsigned char) = nullptr) {
    if (term.phase != CLOSED && term.ours == 0) withSignalsHeld(takeTerminal); // continued, not yet in front
    if (term.resumed != 0) {
        term.resumed = 0;
        releaseAllKeys(term.keys);
    }
    const KeyClock::time_point now = KeyClock::now();
    for (int i = 0; i < 64; i++) { // bounded however fast keys pour in
        unsigned char bytes[256];
        const ssize_t n = read(term.tty, bytes, sizeof bytes);
        if (n > 0 && text == nullptr) {
            feedKeys(term.keys, bytes, static_cast<std::size_t>(n), now);
        } else if (n > 0) {
            for (ssize_t b = 0; b < n; b++) {
                if (betweenKeys() && bytes[b] != 0x1B) text(bytes[b]); // typed, not part of a sequence
                feedKeys(term.keys, bytes + b, 1, now);
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0 || errno == EIO) term.gone = 1;
            break;
        }
    }
    timeOutLoneEscape(term.keys, now);
    if (term.gone != 0) endAsHangUp();
    actOnControl();
}

// ---------------------------------------------------------------------------
// The screen: its size, the too-small pause and the frames

// Takes the terminal's size again, for a model whose cells the terminal no
// longer shows: after a clear (clear) or whenever the board does not fit,
// which shows a one-line notice instead. The clear and the notice start from
// the terminal's own colour. During play the cursor is hidden first (again,
// if the terminal missed it while it was not reading). Returns how many bytes
// of out to send. A size of 0 is unknown: the board is drawn.
std::size_t measure(bool clear) {
    term.stale = 0;
    winsize size{};
    ioctl(term.tty, TIOCGWINSZ, &size);
    const int cols = size.ws_col;
    const int rows = size.ws_row;
    term.small = (cols > 0 && cols < term.needCols) || (rows > 0 && rows < term.needRows);
    screen::invalidate(term.screen, cols, rows);
    int n = std::snprintf(out, sizeof out, "%s", term.phase == PLAYING ? HIDE_CURSOR : "");
    if (!clear && !term.small) return static_cast<std::size_t>(n);
    n += std::snprintf(out + n, sizeof out - n, "%s\x1b[H\x1b[2J", OWN_COLOR);
    if (term.small) {
        char notice[80];
        const int length = std::snprintf(notice, sizeof notice, "The game needs %dx%d; this terminal is %dx%d.",
                                         term.needCols, term.needRows, cols, rows);
        n += std::snprintf(out + n, sizeof out - n, "%.*s", cols < length ? cols : length, notice);
    }
    return static_cast<std::size_t>(n);
}

// A stale screen (continued, resized, or a frame that did not go out whole)
// is measured again and cleared.
// A push the terminal missed when play resumed is made then too.
void clearIfStale(long deadline = 0) {
    if (term.stale == 0 || term.ours == 0) return;
    if (!sendBy(deadline, out, measure(true))) term.stale = 1;
    withSignalsHeld(pushFlags);
}

// What changed, in one write; during play never waited for (deadline 0).
// With cursor, the terminal's cursor then stands where the game's does. A job
// in the background draws nothing: the shell has the screen, and the whole
// frame is sent once the job is brought back.
void sendFrame(bool cursor, long deadline = 0) {
    if (term.ours == 0) return;
    clearIfStale(deadline);
    if (term.small || term.stale != 0) return;
    if (!sendBy(deadline, out, screen::flush(term.screen, out, cursor))) term.stale = 1;
}

// ---------------------------------------------------------------------------
// The wait for Enter after a game: a line is typed as on a line-buffered
// console (text shows, Backspace edits, Enter ends it) while key sequences
// such as arrows leave nothing on the screen.

char line[80];
int lineLength;
int lineEnd; // what ended the line: '\n', or EOF for the end-of-file character on an empty line

void typeIntoLine(unsigned char c) {
    if (c == '\r' || c == '\n') {
        lineEnd = '\n';
    } else if (c == term.found.c_cc[VEOF] && lineLength == 0) {
        lineEnd = EOF;
    } else if ((c == term.found.c_cc[VERASE] || c == '\b' || c == 0x7F) && lineLength > 0) {
        lineLength--;
        screen::moveTo(term.screen, term.screen.x - 1, term.screen.y);
        screen::put(term.screen, ' ');
        screen::moveTo(term.screen, term.screen.x - 1, term.screen.y);
    } else if (c >= 0x20 && c < 0x7F && lineLength < static_cast<int>(sizeof line)) {
        line[lineLength++] = static_cast<char>(c);
        screen::put(term.screen, c);
    }
}

void popFlags() {
    if (term.flagsPushed != 0 && sendNow(POP_AND_ASK)) term.flagsPushed = 0;
}

// The message, the typing and the flags' pop go out whenever the terminal
// takes them, however late.
int readLine() {
    lineLength = 0;
    lineEnd = 0;
    bool cursorShown = false;
    while (lineEnd == 0) {
        withSignalsHeld(popFlags);
        if (!cursorShown && term.flagsPushed == 0) cursorShown = sendNow(SHOW_CURSOR);
        sendFrame(true);
        fd_set readable;
        fd_set writable;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_SET(term.tty, &readable);
        if (term.stale != 0 || !cursorShown) FD_SET(term.tty, &writable);
        // A lone ESC becomes the Escape key once its wait is over.
        timeval escapeWait{0, static_cast<int>(ESCAPE_TIMEOUT.count()) * 1000};
        select(term.tty + 1, &readable, &writable, nullptr, betweenKeys() ? nullptr : &escapeWait);
        readKeys(typeIntoLine);
    }
    return lineLength > 0 ? line[0] : lineEnd;
}

// ---------------------------------------------------------------------------
// The locale

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

// ---------------------------------------------------------------------------
// The phases, from the main flow

void startPlaying() {
    term.phase = PLAYING;
    takeTerminal();
}

void startAwaitingEnter() {
    term.phase = AWAITING_ENTER;
    takeTerminal();
}

void giveBackForGood() {
    term.phase = CLOSED;
    returnToShell();
}

void closeConsoleAtExit() { consoleClose(); }

// Only the controlling terminal has a session of ours.
bool stdinIsTheTerminal() { return tcgetsid(STDIN_FILENO) == getsid(0); }

} // namespace

// ---------------------------------------------------------------------------
// The console

bool consoleOpen(int columns, int rows) {
    if (term.phase != CLOSED) return true;
    term.tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (term.tty < 0 || tcgetattr(term.tty, &term.found) != 0) {
        std::fprintf(stderr, "cannot play without a terminal (/dev/tty: %s)\n", std::strerror(errno));
        if (term.tty >= 0) ::close(term.tty);
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
    term.kitty = false;
    term.small = false;
    term.gone = 0;
    term.stale = 0;
    term.resumed = 0;
    term.colored = 0;

    // The way back is set up before the terminal is changed.
    if (!term.exitHook) term.exitHook = std::atexit(closeConsoleAtExit) == 0;
    installHandlers();
    withSignalsHeld(startPlaying);
    if (term.ours != 0) { // a job started in the background keeps legacy keys
        sendNow(QUERY);
        awaitAnswer(term.keys);
        if (term.keys.flagsSeen) {
            term.kitty = true;
            withSignalsHeld(pushFlags);
            term.keys.flagsSeen = false;
            sendNow(QUERY);
            awaitAnswer(term.keys);
            // A key marked down whose release never comes would steer for ever.
            term.keys.reportsReleases = term.keys.flagsSeen && (term.keys.flags & FLAG_REPORT_EVENTS) != 0;
        }
    }
    sendNow(out, measure(false));
    return true;
}

void consoleClose() {
    if (term.phase == CLOSED) return;
    if (term.phase == PLAYING) sendFrame(false);
    withSignalsHeld(giveBackForGood);
    restoreHandlers();
    ::close(term.tty);
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
    if (term.phase == CLOSED) return;
    clearIfStale();
    while (term.small && !term.keys.pressed[VKEY_ESCAPE] && !term.keys.down[VKEY_ESCAPE]) {
        waitTty(false, 250);
        readKeys();
        clearIfStale();
    }
}

void flushOutput() {
    if (term.phase == CLOSED) return;
    sendFrame(false);
    term.keysRead = false;
}

int keyState(int vk) {
    if (term.phase == CLOSED) return 0;
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
    if (term.phase == CLOSED) return std::getchar();
    if (stdinIsTheTerminal()) {
        withSignalsHeld(startAwaitingEnter);
        return readLine();
    }
    // Standard input is elsewhere: the message, then the terminal as found,
    // then the read.
    sendFrame(true, nowMs() + GIVE_BACK_MS);
    withSignalsHeld(giveBackForGood);
    return std::getchar();
}
