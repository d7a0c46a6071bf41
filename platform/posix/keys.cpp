#include "keys.h"

#include "platform.h"

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr unsigned char BEL = 0x07;

// Modifier bits of CSI parameters (value = 1 + bits). Shift and the lock keys
// still make a letter; Alt, Ctrl and the rest make a chord the game ignores.
constexpr int MOD_CHORD_BITS = 2 | 4 | 8 | 16 | 32; // Alt Ctrl Super Hyper Meta

// A parsed parameter string: fields split by ';', sub-fields by ':'. Only the
// first few of each are kept; the kitty forms use no more.
constexpr int MAX_FIELDS = 3;
constexpr int MAX_SUBFIELDS = 3;
constexpr int ABSENT = -1;
constexpr int NUMBER_LIMIT = 1 << 20; // larger values are no key anyone sends

struct Params {
    int value[MAX_FIELDS][MAX_SUBFIELDS];
    int fields;
};

bool parseParams(const KeyDecoder& d, Params& p) {
    for (auto& field : p.value) {
        for (int& v : field) v = ABSENT;
    }
    p.fields = 1;
    int sub = 0;
    for (std::size_t i = 0; i < d.paramLength; i++) {
        const unsigned char c = d.params[i];
        if (c == ';') {
            p.fields++;
            sub = 0;
        } else if (c == ':') {
            sub++;
        } else if (c >= '0' && c <= '9') {
            if (p.fields > MAX_FIELDS || sub >= MAX_SUBFIELDS) continue;
            int& v = p.value[p.fields - 1][sub];
            v = (v == ABSENT ? 0 : v) * 10 + (c - '0');
            if (v > NUMBER_LIMIT) return false;
        } else {
            return false; // a private marker (< = > ?) or intermediate: a reply or report
        }
    }
    return true;
}

int orDefault(int value, int fallback) { return value == ABSENT ? fallback : value; }

bool actionOf(int eventType, KeyAction& action) {
    switch (orDefault(eventType, 1)) {
        case 1: action = KeyAction::Press; return true;
        case 2: action = KeyAction::Repeat; return true;
        case 3: action = KeyAction::Release; return true;
        default: return false;
    }
}

int modifierBits(int value) { return value > 1 ? value - 1 : 0; }

int letterKey(int c) {
    switch (c) {
        case 'a': case 'A': return VKEY_A;
        case 'd': case 'D': return VKEY_D;
        case 's': case 'S': return VKEY_S;
        case 'w': case 'W': return VKEY_W;
        default: return 0;
    }
}

int arrowKey(unsigned char final) {
    switch (final) {
        case 'A': return VKEY_UP;
        case 'B': return VKEY_DOWN;
        case 'C': return VKEY_RIGHT;
        case 'D': return VKEY_LEFT;
        default: return 0;
    }
}

void emit(KeyEvents& out, int vk, KeyAction action) {
    out.items[out.count++] = KeyEvent{vk, action};
}

// The final byte of a CSI or SS3 sequence has arrived: emit its key, if it is
// one the games poll.
void finishSequence(KeyDecoder& d, unsigned char final, KeyEvents& out) {
    if (d.introducer == '[' && final == 'M' && d.paramLength == 0) {
        d.state = DecodeState::MouseBytes; // X10 mouse: button, column, row follow raw
        d.mouseBytesLeft = 3;
        return;
    }
    d.state = DecodeState::Ground;
    Params p;
    if (d.overflow || !parseParams(d, p)) return;
    KeyAction action;
    if (!actionOf(p.value[1][1], action)) return;

    if (const int vk = arrowKey(final)) {
        // ESC [ A, ESC [ 1 ; mods A, ESC [ 1 ; mods:event A; any modifier still steers.
        if (p.fields > 2 || orDefault(p.value[0][0], 1) != 1) return;
        emit(out, vk, action);
    } else if (final == 'u' && d.introducer == '[') {
        // Kitty: ESC [ code[:alternates] ; mods[:event] [; text] u
        const int code = p.value[0][0];
        const int vk = code == ESC ? static_cast<int>(VKEY_ESCAPE) : letterKey(code);
        if (vk == 0 || (modifierBits(orDefault(p.value[1][0], 1)) & MOD_CHORD_BITS) != 0) return;
        emit(out, vk, action);
    }
}

void startSequence(KeyDecoder& d, unsigned char introducer) {
    d.state = DecodeState::Sequence;
    d.introducer = introducer;
    d.paramLength = 0;
    d.overflow = false;
}

// The byte after an ESC.
void afterEscape(KeyDecoder& d, unsigned char b, KeyEvents& out) {
    switch (b) {
        case ESC: emit(out, VKEY_ESCAPE, KeyAction::Press); break; // stays pending for the new ESC
        case '[':
        case 'O': startSequence(d, b); break;
        case 'P': // DCS
        case ']': // OSC
        case 'X': // SOS
        case '^': // PM
        case '_': // APC
            d.state = DecodeState::String;
            break;
        default: d.state = DecodeState::Ground; break; // Alt chord: consumed, no key
    }
}

void decodeByte(KeyDecoder& d, unsigned char b, KeyClock::time_point now, KeyEvents& out) {
    d.since = now; // any byte keeps an unfinished sequence waiting
    switch (d.state) {
        case DecodeState::Ground:
            if (b == ESC) {
                d.state = DecodeState::Escape;
            } else if (const int vk = letterKey(b)) {
                emit(out, vk, KeyAction::Press);
            }
            break;
        case DecodeState::Escape: afterEscape(d, b, out); break;
        case DecodeState::Sequence:
            if (b == ESC) {
                d.state = DecodeState::Escape; // abandoned for a new one
            } else if (b >= 0x20 && b <= 0x3F) {
                if (d.paramLength < MAX_PARAM_BYTES) {
                    d.params[d.paramLength++] = b;
                } else {
                    d.overflow = true;
                }
            } else if (b >= 0x40 && b <= 0x7E) {
                finishSequence(d, b, out);
            } else {
                d.state = DecodeState::Ground; // a control or non-ASCII byte cannot be in one
            }
            break;
        case DecodeState::String:
            // ESC ends the string; the backslash of ESC \ is then an ignored chord.
            if (b == BEL) d.state = DecodeState::Ground;
            if (b == ESC) d.state = DecodeState::Escape;
            break;
        case DecodeState::MouseBytes:
            if (--d.mouseBytesLeft == 0) d.state = DecodeState::Ground;
            break;
    }
}

} // namespace

std::size_t decodeBytes(KeyDecoder& decoder, const unsigned char* bytes, std::size_t length,
                        KeyClock::time_point now, KeyEvents& out) {
    std::size_t i = 0;
    // One byte emits at most one event.
    for (; i < length && out.count < MAX_KEY_EVENTS; i++) decodeByte(decoder, bytes[i], now, out);
    return i;
}

void decodeIdle(KeyDecoder& decoder, KeyClock::time_point now, KeyEvents& out) {
    if (decoder.state == DecodeState::Ground || now - decoder.since < ESCAPE_TIMEOUT) return;
    if (decoder.state == DecodeState::Escape) {
        if (out.count == MAX_KEY_EVENTS) return; // kept for the next call
        emit(out, VKEY_ESCAPE, KeyAction::Press);
    }
    decoder.state = DecodeState::Ground;
}

void applyKeyEvents(KeyTable& table, const KeyEvents& events) {
    for (std::size_t i = 0; i < events.count; i++) {
        const KeyEvent& e = events.items[i];
        if (e.vk < 0 || e.vk > 255) continue;
        if (e.action == KeyAction::Release) {
            table.down[e.vk] = false;
        } else {
            table.pressed[e.vk] = true;
            if (table.reportsReleases) table.down[e.vk] = true;
        }
    }
}

int pollKey(KeyTable& table, int vk) {
    if (vk < 0 || vk > 255) return 0;
    const bool counted = table.down[vk] || table.pressed[vk];
    table.pressed[vk] = false;
    return counted ? 1 : 0;
}

void feedKeys(KeyDecoder& decoder, KeyTable& table, const unsigned char* bytes,
              std::size_t length, KeyClock::time_point now) {
    KeyEvents events;
    while (length > 0) {
        events.count = 0;
        const std::size_t used = decodeBytes(decoder, bytes, length, now, events);
        applyKeyEvents(table, events);
        bytes += used;
        length -= used;
    }
    events.count = 0;
    decodeIdle(decoder, now, events);
    applyKeyEvents(table, events);
}
