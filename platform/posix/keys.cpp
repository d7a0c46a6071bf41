#include "keys.h"

#include <algorithm>
#include <iterator>

#include "platform.h"

namespace {

enum : unsigned char { GROUND, ESCAPE, SEQUENCE, STRING };
enum : int { TYPED, PRESS, REPEAT, RELEASE }; // kitty's event numbers; TYPED is a legacy key

constexpr unsigned char ESC = 0x1B;
constexpr unsigned char CTRL_BACKSLASH = 0x1C; // the quit character
constexpr int MOD_CTRL = 4;
constexpr int MOD_CHORD = 2 | 4 | 8 | 16 | 32; // Alt Ctrl Super Hyper Meta; Shift and locks still type
constexpr int FIELDS = 2;                      // parameters read, and parts of each (split by ':')
constexpr int ABSENT = -1;                     // a parameter or part not sent
constexpr int SATURATED = 100000;              // more than any value we read, and far from overflow

int letterKey(int c) {
    switch (c | 0x20) {
        case 'a': return VKEY_A;
        case 'd': return VKEY_D;
        case 's': return VKEY_S;
        case 'w': return VKEY_W;
        default: return 0;
    }
}

// The control character Ctrl plus this key sends on a legacy terminal, 0 if none.
int controlOf(int code) {
    if (code >= 'a' && code <= 'z') return code - 'a' + 1;
    return code == '\\' || code == '4' ? CTRL_BACKSLASH : 0; // Ctrl+4 sends it too
}

// A key typed on a legacy terminal never reports its release, so it never holds.
void recordKey(Keys& k, int vk, int event) {
    if (event == RELEASE) {
        k.down[vk] = false;
        return;
    }
    k.pressed[vk] = true;
    if (event != TYPED && k.reportsReleases) k.down[vk] = true;
}

// An ESC came: the start of a sequence, or the Escape key if nothing follows in time.
void startEscape(Keys& k, KeyClock::time_point now) {
    k.state = ESCAPE;
    k.escapeAt = now;
}

void finishSequence(Keys& k, unsigned char final) {
    k.state = GROUND;
    if (k.overflow) return;
    // Parameters split by ';', their parts by ':'. The forms we read are
    // CSI ? flags u, and CSI code ; modifiers : event u (or A to D).
    // Digits beyond the parts we read go to the spare last slots, which nothing reads.
    int param[FIELDS + 1][FIELDS + 1];
    for (auto& parts : param) std::fill(std::begin(parts), std::end(parts), ABSENT);
    int field = 0;
    int sub = 0;
    const bool reply = k.paramLength > 0 && k.params[0] == '?';
    for (std::size_t i = reply ? 1 : 0; i < k.paramLength; i++) {
        const unsigned char c = k.params[i];
        if (c == ';') {
            field++;
            sub = 0;
        } else if (c == ':') {
            sub++;
        } else if (c >= '0' && c <= '9') {
            int& n = param[std::min(field, FIELDS)][std::min(sub, FIELDS)];
            n = std::min(std::max(n, 0) * 10 + (c - '0'), SATURATED);
        } else {
            return; // another private marker or an intermediate: nothing we read
        }
    }
    const int code = param[0][0];
    if (reply) {
        if (final == 'u') {
            k.flagsSeen = code >= 0 && code <= 31;
            k.flags = code;
        }
        if (final == 'c') k.answered = true;
        return;
    }
    const int event = param[1][1] == ABSENT ? PRESS : param[1][1];
    if (event < PRESS || event > RELEASE) return;
    const int mods = std::max(param[1][0] - 1, 0); // sent as 1 + the modifier bits
    if (final >= 'A' && final <= 'D') {
        constexpr int arrows[] = {VKEY_UP, VKEY_DOWN, VKEY_RIGHT, VKEY_LEFT};
        recordKey(k, arrows[final - 'A'], k.introducer == 'O' ? TYPED : event);
    } else if (final == 'u' && k.introducer == '[') {
        if ((mods & MOD_CHORD) == MOD_CTRL) { // Ctrl alone: what the driver would have seen
            const int control = controlOf(code);
            if (control != 0 && event != RELEASE) {
                k.hasControl = true;
                k.control = static_cast<unsigned char>(control);
            }
            return;
        }
        const int vk = code == ESC ? static_cast<int>(VKEY_ESCAPE) : letterKey(code);
        if (vk != 0 && (mods & MOD_CHORD) == 0) recordKey(k, vk, event);
    }
}

} // namespace

void feedKeys(Keys& k, const unsigned char* bytes, std::size_t length, KeyClock::time_point now) {
    for (std::size_t i = 0; i < length; i++) {
        const unsigned char c = bytes[i];
        switch (k.state) {
            case GROUND:
                if (c == ESC) {
                    startEscape(k, now);
                } else if (const int vk = letterKey(c)) {
                    recordKey(k, vk, TYPED);
                }
                break;
            case ESCAPE:
                if (c == '[' || c == 'O') {
                    k.state = SEQUENCE;
                    k.introducer = c;
                    k.paramLength = 0;
                    k.overflow = false;
                } else if (c == ESC) {
                    recordKey(k, VKEY_ESCAPE, TYPED); // the first was the Escape key
                    startEscape(k, now);
                } else { // DCS, OSC, SOS, PM, APC strings; anything else is an Alt chord
                    const bool string = c == 'P' || c == ']' || c == 'X' || c == '^' || c == '_';
                    k.state = string ? STRING : GROUND;
                }
                break;
            case SEQUENCE:
                if (c >= 0x20 && c <= 0x3F) {
                    if (k.paramLength < sizeof k.params) {
                        k.params[k.paramLength++] = c;
                    } else {
                        k.overflow = true;
                    }
                } else if (c >= 0x40 && c <= 0x7E) {
                    finishSequence(k, c);
                } else if (c == ESC) {
                    startEscape(k, now); // abandoned for a new one
                } else {
                    k.state = GROUND; // no sequence holds a control or non-ASCII byte
                }
                break;
            default: // STRING, up to BEL or ESC (the backslash of ESC \ is then ignored)
                if (c == 0x07) k.state = GROUND;
                if (c == ESC) startEscape(k, now);
                break;
        }
    }
}

void timeOutLoneEscape(Keys& k, KeyClock::time_point now) {
    if (k.state != ESCAPE || now - k.escapeAt < ESCAPE_TIMEOUT) return;
    k.state = GROUND;
    recordKey(k, VKEY_ESCAPE, TYPED);
}

int pollKey(Keys& k, int vk) {
    const auto key = static_cast<unsigned char>(vk); // every code is a byte
    const bool pressed = k.pressed[key];
    k.pressed[key] = false;
    return k.down[key] || pressed;
}

void releaseAllKeys(Keys& k) { std::fill(std::begin(k.down), std::end(k.down), false); }
