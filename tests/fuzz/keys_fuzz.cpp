// Arbitrary bytes, read at arbitrary times, through the reply filter, the key
// decoder and the key table, as the console feeds them. Checks what must hold
// whatever a terminal sends: only keys the games poll come out, the table
// never holds a key it was not told is held, and how the bytes are split
// across reads changes nothing.
//
// Input: one byte of options (bit 0: releases reported; bit 1: the reply
// filter is waiting, as at start-up), then reads, each a length byte, a byte of
// milliseconds since the previous read, and that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "keys.h"
#include "platform.h"
#include "protocol.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool knownKey(int vk) {
    switch (vk) {
        case VKEY_ESCAPE: case VKEY_LEFT: case VKEY_UP: case VKEY_RIGHT: case VKEY_DOWN:
        case VKEY_A: case VKEY_D: case VKEY_S: case VKEY_W:
            return true;
        default:
            return vk >= VKEY_CONTROL && vk < VKEY_CONTROL_END;
    }
}

void checkEvents(const KeyEvents& events) {
    check(events.count <= MAX_KEY_EVENTS);
    for (std::size_t i = 0; i < events.count; i++) {
        check(knownKey(events.items[i].vk));
        const KeyAction a = events.items[i].action;
        check(a == KeyAction::Press || a == KeyAction::Repeat || a == KeyAction::Release || a == KeyAction::Typed);
    }
}

// Decodes bytes at one time as the console does, recording every event.
void decodeAll(KeyDecoder& d, KeyTable& table, const unsigned char* bytes, std::size_t length,
               KeyClock::time_point now, std::vector<KeyEvent>& seen) {
    while (length > 0) {
        KeyEvents events{};
        const std::size_t used = decodeBytes(d, bytes, length, now, events);
        checkEvents(events);
        check(used <= length);
        check(used == length || events.count == MAX_KEY_EVENTS); // stops early only when full
        check(d.paramLength <= MAX_PARAM_BYTES);
        applyKeyEvents(table, events);
        seen.insert(seen.end(), events.items, events.items + events.count);
        bytes += used;
        length -= used;
    }
}

void checkTable(const KeyTable& table) {
    check(table.controlCount <= MAX_CONTROLS);
    for (int vk = 0; vk < 256; vk++) {
        if (table.down[vk] || table.pressed[vk]) check(knownKey(vk));
        if (!table.reportsReleases) check(!table.down[vk]); // nothing would ever lift it
    }
}

bool sameEvents(const std::vector<KeyEvent>& a, const std::vector<KeyEvent>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); i++) {
        if (a[i].vk != b[i].vk || a[i].action != b[i].action) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool releases = (data[0] & 1) != 0;
    const bool probing = (data[0] & 2) != 0;
    data++;
    size--;

    KeyDecoder decoder{};
    KeyTable table{};
    table.reportsReleases = releases;
    ReplyProbe probe{};
    KeyClock::time_point now{};
    std::vector<unsigned char> passed; // every byte that reached the decoder, in order
    std::vector<KeyEvent> timed;

    while (size >= 2) {
        std::size_t length = data[0];
        now += std::chrono::milliseconds(data[1]);
        data += 2;
        size -= 2;
        if (length > size) length = size;

        std::vector<unsigned char> keys(length + PROBE_HELD_MAX);
        std::size_t kept = length;
        if (probing) {
            const bool answered = probe.answered;
            kept = probeBytes(probe, data, length, keys.data());
            check(kept <= length + PROBE_HELD_MAX);
            if (answered) check(kept == length && std::memcmp(keys.data(), data, length) == 0);
        } else if (length > 0) {
            std::memcpy(keys.data(), data, length);
        }
        passed.insert(passed.end(), keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(kept));
        decodeAll(decoder, table, keys.data(), kept, now, timed);

        KeyEvents idle{};
        decodeIdle(decoder, now, idle);
        checkEvents(idle);
        applyKeyEvents(table, idle);
        timed.insert(timed.end(), idle.items, idle.items + idle.count);
        checkTable(table);

        // Polls see what the table holds; a poll clears only its key's press.
        for (int vk : {VKEY_LEFT, VKEY_RIGHT, VKEY_UP, VKEY_DOWN}) {
            const bool held = table.down[vk];
            const bool pressed = table.pressed[vk];
            check((pollKey(table, vk) != 0) == (held || pressed));
            check(!table.pressed[vk] && table.down[vk] == held);
        }
        unsigned char control;
        while (takeControl(table, control)) check(control < 0x80);
        check(table.controlCount == 0);

        data += length;
        size -= length;
    }
    if (probing) {
        unsigned char held[PROBE_HELD_MAX];
        const std::size_t n = probeFinish(probe, held);
        check(n <= PROBE_HELD_MAX);
        passed.insert(passed.end(), held, held + n);
    }

    // The same bytes read at one time, in one piece and split as they came,
    // decode alike: where reads fall changes nothing unless time passes.
    KeyDecoder whole{};
    KeyTable wholeTable{};
    std::vector<KeyEvent> once;
    decodeAll(whole, wholeTable, passed.data(), passed.size(), KeyClock::time_point{}, once);
    KeyDecoder split{};
    KeyTable splitTable{};
    std::vector<KeyEvent> pieces;
    for (std::size_t at = 0; at < passed.size(); at += 7) {
        const std::size_t n = passed.size() - at < 7 ? passed.size() - at : 7;
        decodeAll(split, splitTable, passed.data() + at, n, KeyClock::time_point{}, pieces);
    }
    check(sameEvents(once, pieces));
    return 0;
}
