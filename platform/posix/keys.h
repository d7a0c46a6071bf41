// Turning the bytes a terminal sends into presses of the keys the games poll,
// and the table that answers those polls. No I/O here: the caller reads the
// bytes and passes the time, so all of it can be driven byte by byte.
//
// Understood: the letters A D S W (either case), Escape, and the arrows as
// CSI (ESC [ A) or SS3 (ESC O A), with or without modifier parameters. The
// kitty keyboard protocol's forms are decoded too (CSI code;mods:event u and
// CSI 1;mods:event A-D), with their repeat and release events. Everything else
// a terminal may send (function keys, mouse reports, paste markers, replies,
// OSC/DCS strings, Alt chords, UTF-8 text, control bytes) is consumed and
// ignored.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

using KeyClock = std::chrono::steady_clock;

// How long a lone ESC waits for the rest of a sequence before it counts as the
// Escape key, and how long an unfinished sequence may sit before it is dropped.
// A terminal writes a whole sequence at once, so only a slow link splits one
// by this much; the player cannot feel the wait.
constexpr std::chrono::milliseconds ESCAPE_TIMEOUT{25};

// Parameter bytes kept of one sequence; a longer one is consumed up to its
// final byte and dropped.
constexpr std::size_t MAX_PARAM_BYTES = 32;

// Legacy terminals send only presses (a held key auto-repeats as presses).
enum class KeyAction : std::uint8_t { Press, Repeat, Release };

struct KeyEvent {
    int vk; // VKEY_* of platform.h
    KeyAction action;
};

constexpr std::size_t MAX_KEY_EVENTS = 32;

struct KeyEvents {
    KeyEvent items[MAX_KEY_EVENTS];
    std::size_t count;
};

enum class DecodeState : std::uint8_t {
    Ground,     // between keys
    Escape,     // ESC seen; waiting to learn what follows
    Sequence,   // inside CSI or SS3, up to the final byte
    String,     // inside OSC, DCS, APC, PM or SOS, up to BEL or ESC backslash
    MouseBytes, // the three raw bytes of an X10 mouse report
};

// Zero-initialised ({}) it is ready to use.
struct KeyDecoder {
    DecodeState state;
    unsigned char introducer; // '[' for CSI, 'O' for SS3
    unsigned char params[MAX_PARAM_BYTES];
    std::size_t paramLength;
    bool overflow;            // more parameter bytes than kept: drop at the final byte
    int mouseBytesLeft;
    KeyClock::time_point since; // when the pending ESC or sequence last received a byte
};

// Decodes bytes received at `now`, appending events to out. Stops early when
// out is full and returns how many bytes it consumed; call again with the rest.
// Never times anything out: bytes that continue a sequence continue it however
// late they are read, so an arrow split across two reads stays an arrow.
std::size_t decodeBytes(KeyDecoder& decoder, const unsigned char* bytes, std::size_t length,
                        KeyClock::time_point now, KeyEvents& out);

// Called when a read found nothing more: a lone ESC older than ESCAPE_TIMEOUT
// becomes an Escape press, and an unfinished sequence that long is dropped.
void decodeIdle(KeyDecoder& decoder, KeyClock::time_point now, KeyEvents& out);

// What the polls see, per virtual-key code.
struct KeyTable {
    bool down[256];    // pressed and not yet released
    bool pressed[256]; // pressed since that key's previous poll
    // Set only when the terminal has been asked to report releases; without
    // them a press must not mark a key down, as nothing would ever lift it.
    bool reportsReleases;
};

void applyKeyEvents(KeyTable& table, const KeyEvents& events);

// Non-zero if vk is down or was pressed since its own previous poll; clears
// that key's pressed mark and no other.
int pollKey(KeyTable& table, int vk);

// Decodes all of bytes (length may be 0) into the table, then lets time out
// whatever has waited too long.
void feedKeys(KeyDecoder& decoder, KeyTable& table, const unsigned char* bytes,
              std::size_t length, KeyClock::time_point now);
