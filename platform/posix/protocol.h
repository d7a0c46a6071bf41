// Talking to a terminal about the kitty keyboard protocol: the bytes the
// console sends, the filter that takes the terminal's replies out of the key
// bytes read while it waits for them, and what a Ctrl chord reported as a key
// must do instead of the signal the terminal driver no longer raises.
//
// No I/O here: the console writes the strings and passes what it reads.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>

// Asks for the protocol's flags, then for the primary device attributes,
// which every terminal answers: a flags reply before the attributes means the
// protocol is spoken, the attributes alone that it is not.
constexpr char PROTOCOL_QUERY[] = "\x1b[?u\x1b[c";

// Flags pushed: 1 disambiguates Escape and Ctrl chords from other bytes, 2
// reports repeats and releases, 8 reports every key as an escape code, so
// that the letters W A S D are released as well as pressed.
constexpr int FLAG_DISAMBIGUATE = 1;
constexpr int FLAG_REPORT_EVENTS = 2;
constexpr int FLAG_REPORT_ALL_KEYS = 8;
constexpr int PROTOCOL_FLAGS = FLAG_DISAMBIGUATE | FLAG_REPORT_EVENTS | FLAG_REPORT_ALL_KEYS;

// Pushes PROTOCOL_FLAGS; the console asks again after it, to learn which of
// them the terminal took.
constexpr char PROTOCOL_PUSH[] = "\x1b[>11u";
// Puts back the flags the terminal had before the push.
constexpr char PROTOCOL_POP[] = "\x1b[<u";

// How long the console waits for the device attributes. A local terminal
// answers within a few milliseconds; one that has not answered by then is
// taken for a legacy terminal, so start-up stays quick where no answer comes.
constexpr std::chrono::milliseconds PROTOCOL_REPLY_WAIT{200};

enum class ProbeState : unsigned char {
    Ground,   // passing bytes through
    Escape,   // ESC held back: it may start a reply
    Csi,      // ESC [ held back
    Reply,    // inside ESC [ ? ...: dropped up to its final byte
};

// Zero-initialised ({}) it is ready to use.
struct ReplyProbe {
    ProbeState state;
    int number;       // the first parameter of the reply being read
    bool inFirst;     // still reading that parameter
    bool flagsSeen;   // a flags reply came before the attributes: the protocol is spoken
    int flags;        // the flags that reply gave
    bool answered;    // the device attributes have arrived
};

// Bytes a probe may hold back from one call to the next: ESC [.
constexpr std::size_t PROBE_HELD_MAX = 2;

// Reads what the terminal sent while a query was out. Replies (ESC [ ? ... with
// any final byte) are taken out; a flags reply (final u) before the device
// attributes (final c) sets flagsSeen and flags. Every other byte is copied to keys, in
// order, for the key decoder: keys must have room for length + PROBE_HELD_MAX
// bytes. Returns how many bytes were copied. Once the attributes have
// arrived, the rest passes through untouched.
std::size_t probeBytes(ReplyProbe& probe, const unsigned char* bytes, std::size_t length,
                       unsigned char* keys);

// The wait is over: returns the bytes still held back (at most
// PROBE_HELD_MAX, copied to keys), which belong to the keys.
std::size_t probeFinish(ReplyProbe& probe, unsigned char* keys);

// The signal the terminal driver raises for this control character under
// these modes (SIGINT, SIGQUIT or SIGTSTP), or 0 for none: the characters are
// the user's own (stty intr ^X works here too), and none raise a signal
// without ISIG.
int controlSignal(unsigned char control, const termios& modes);
