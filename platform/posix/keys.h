// The one parser of what the terminal sends: key bytes in, the state of the
// keys the games poll out, and the two replies the console asks for (the
// keyboard protocol's flags and the device attributes). No I/O: the caller
// reads the bytes and passes the time, so all of it can be driven byte by byte.
//
// Understood: the letters A D S W (either case), Escape, the arrows as CSI
// (ESC [ A) or SS3 (ESC O A) with any modifiers, and the kitty keyboard
// protocol's forms (CSI code;mods:event u and CSI 1;mods:event A-D) with
// their press, repeat and release events. Everything else is consumed and
// ignored: other keys, OSC/DCS/APC strings, Alt chords, UTF-8 text.
#pragma once

#include <chrono>
#include <cstddef>

using KeyClock = std::chrono::steady_clock;

// How long a lone ESC waits for the rest of a sequence before it counts as the
// Escape key. Only a lone ESC times out: once ESC [ or ESC O has come, the
// bytes that follow finish that sequence however late they arrive.
constexpr std::chrono::milliseconds ESCAPE_TIMEOUT{25};

// Keyboard flags the console asks for: disambiguate (1), report releases (2),
// every key as an escape code (8), so that letters are released too.
constexpr int FLAG_REPORT_EVENTS = 2;

// Zero-initialised ({}) it is ready to use.
struct Keys {
    // The parser.
    unsigned char state;      // between keys, after ESC, in a sequence, in a string
    unsigned char introducer; // '[' (CSI) or 'O' (SS3)
    unsigned char params[32];
    std::size_t paramLength;
    bool overflow;                 // more parameters than kept: the sequence is dropped
    KeyClock::time_point escapeAt; // when the pending lone ESC came

    // What the polls see, per virtual-key code.
    bool down[256];       // pressed and not yet released
    bool pressed[256];    // pressed since that key's previous poll
    bool reportsReleases; // only then may a press hold a key down

    // A Ctrl chord reported as an escape code: the control character a legacy
    // terminal would have sent (Ctrl+C is 3), for the console to act on.
    bool hasControl;
    unsigned char control;

    // Replies.
    bool flagsSeen; // a keyboard flags reply with a value the protocol defines (0 to 31)
    int flags;
    bool answered; // the device attributes reply
};

void feedKeys(Keys& k, const unsigned char* bytes, std::size_t length, KeyClock::time_point now);
// A read found nothing more: a lone ESC older than ESCAPE_TIMEOUT is Escape.
void timeOutLoneEscape(Keys& k, KeyClock::time_point now);
// Non-zero if vk is down or was pressed since its own previous poll.
int pollKey(Keys& k, int vk);
// Forgets every key held down: their releases may never come (after a stop).
void releaseAllKeys(Keys& k);
