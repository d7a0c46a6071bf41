#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "keys.h"
#include "platform.h"

namespace {

using namespace std::chrono_literals;

const KeyClock::time_point T0 = KeyClock::time_point{} + 1h;

// Events as text, e.g. "UP A^ ESC": ^ marks a release, ~ a repeat.
std::string describe(const std::vector<KeyEvent>& events) {
    std::string text;
    for (const KeyEvent& e : events) {
        if (!text.empty()) text += ' ';
        switch (e.vk) {
            case VKEY_UP: text += "UP"; break;
            case VKEY_DOWN: text += "DOWN"; break;
            case VKEY_LEFT: text += "LEFT"; break;
            case VKEY_RIGHT: text += "RIGHT"; break;
            case VKEY_ESCAPE: text += "ESC"; break;
            default: text += static_cast<char>(e.vk); break;
        }
        if (e.action == KeyAction::Repeat) text += '~';
        if (e.action == KeyAction::Release) text += '^';
    }
    return text;
}

std::string decode(KeyDecoder& d, std::string_view bytes, KeyClock::time_point now = T0) {
    std::vector<KeyEvent> all;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        KeyEvents out{};
        const std::size_t used = decodeBytes(d, p, left, now, out);
        all.insert(all.end(), out.items, out.items + out.count);
        p += used;
        left -= used;
    }
    return describe(all);
}

std::string idle(KeyDecoder& d, KeyClock::time_point now) {
    KeyEvents out{};
    decodeIdle(d, now, out);
    return describe({out.items, out.items + out.count});
}

// Decodes bytes, then idles long after: what the game sees once all is read.
std::string settle(std::string_view bytes) {
    KeyDecoder d{};
    std::string text = decode(d, bytes);
    const std::string late = idle(d, T0 + 1s);
    if (!late.empty()) text += (text.empty() ? "" : " ") + late;
    return text;
}

TEST(KeyDecoder, ArrowsInCsiAndSs3FormsWithAndWithoutModifiers) {
    EXPECT_EQ(settle("\x1b[A\x1b[B\x1b[C\x1b[D"), "UP DOWN RIGHT LEFT");
    EXPECT_EQ(settle("\x1bOA\x1bOB\x1bOC\x1bOD"), "UP DOWN RIGHT LEFT");
    EXPECT_EQ(settle("\x1b[1;2A\x1b[1;5D\x1b[1;3B"), "UP LEFT DOWN"); // Shift, Ctrl, Alt
    EXPECT_EQ(settle("\x1bO1;2C"), "RIGHT");
    // Parameters no arrow has.
    EXPECT_EQ(settle("\x1b[2A\x1b[1;2;3A\x1b[?1A\x1b[1 A"), "");
}

TEST(KeyDecoder, LettersInEitherCaseAndNothingElse) {
    EXPECT_EQ(settle("aAdDsSwW"), "A A D D S S W W");
    EXPECT_EQ(settle("qxz019 \r\n\t\x01\x03\x7f[O~"), "");
    EXPECT_EQ(settle("\xc3\xa9\xe2\x86\x92\xf0\x9f\x90\x8d"), ""); // é → and an emoji
    EXPECT_EQ(settle("\xff\x9b" "A"), "A");                        // lone high bytes are no CSI
}

TEST(KeyDecoder, LoneEscapeCountsOnlyAfterTheTimeout) {
    KeyDecoder d{};
    EXPECT_EQ(decode(d, "\x1b"), "");
    EXPECT_EQ(idle(d, T0 + ESCAPE_TIMEOUT - 1ms), "");
    EXPECT_EQ(idle(d, T0 + ESCAPE_TIMEOUT), "ESC");
    EXPECT_EQ(idle(d, T0 + 1s), "");
    EXPECT_EQ(decode(d, "w", T0 + 1s), "W");

    // ESC ESC: the first is Escape at once, the second waits.
    EXPECT_EQ(decode(d, "\x1b\x1b", T0 + 2s), "ESC");
    EXPECT_EQ(idle(d, T0 + 2s + ESCAPE_TIMEOUT), "ESC");
    EXPECT_EQ(settle("\x1b\x1b[A"), "ESC UP");
}

TEST(KeyDecoder, ArrowSplitAtAnyPointIsNeverEscape) {
    const std::pair<std::string_view, const char*> arrows[] = {
        {"\x1b[A", "UP"}, {"\x1bOB", "DOWN"}, {"\x1b[1;5C", "RIGHT"}, {"\x1b[1;1:3D", "LEFT^"}};
    for (const auto& [bytes, key] : arrows) {
        for (std::size_t split = 1; split < bytes.size(); split++) {
            SCOPED_TRACE(testing::Message() << key << " split at " << split);
            KeyDecoder d{};
            std::string seen = decode(d, bytes.substr(0, split), T0);
            seen += idle(d, T0 + 1ms); // polled again at once: still waiting
            // The rest is read a frame later, long after the timeout.
            seen += decode(d, bytes.substr(split), T0 + 100ms);
            seen += idle(d, T0 + 1s);
            EXPECT_EQ(seen, key);
        }
    }
}

TEST(KeyDecoder, AltChordsAreConsumedWithoutKeys) {
    EXPECT_EQ(settle("\x1bw\x1b" "A\x1b" "d\x1bS\x1bq\x1b\x01\x1b\x7f\x1b\xc3\xa9"), "");
    EXPECT_EQ(settle("\x1bW" "s"), "S");
}

TEST(KeyDecoder, UnknownSequencesAndStringsAreSkippedAndLaterKeysKept) {
    const std::string_view skipped[] = {
        "\x1b[15~",                       // F5
        "\x1bOP",                         // F1
        "\x1b[1;2P",                      // Shift+F1
        "\x1b[200~",                      // paste start
        "\x1b[201~",                      // paste end
        "\x1b[?62;22c",                   // device attributes reply
        "\x1b[<0;10;5M",                  // SGR mouse press
        "\x1b[Mawd",                      // X10 mouse: three raw bytes
        "\x1b[32;10;5M",                  // urxvt mouse
        "\x1b]0;wasd title\x07",          // OSC ended by BEL
        "\x1b]11;rgb:0000/0000/0000\x1b\\", // OSC ended by ST
        "\x1bP1$r0m\x1b\\",               // DCS reply
        "\x1b_Gi=1;OK\x1b\\",             // APC
        "\x1b[120u",                      // kitty: x
        "\x1b[2J",                        // not a key at all
    };
    for (std::string_view bytes : skipped) {
        SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
        EXPECT_EQ(settle(std::string(bytes) + "w\x1b[A"), "W UP");
    }
    // A sequence broken by a control byte or a new ESC is dropped.
    EXPECT_EQ(settle("\x1b[1;\n" "A"), "A");
    EXPECT_EQ(settle("\x1b[1;\x1b[B"), "DOWN");
}

TEST(KeyDecoder, OverlongSequenceIsConsumedToItsEndThenDropped) {
    EXPECT_EQ(settle("\x1b[" + std::string(5000, '1') + "A" + "\x1b[B"), "DOWN");
    EXPECT_EQ(settle("\x1b[" + std::string(5000, ';') + "~d"), "D");
    // Cut to its first bytes it would read as 'a'; whole it is no key anyone sends.
    EXPECT_EQ(settle("\x1b[97" + std::string(3000, ':') + "u" + "s"), "S");
}

TEST(KeyDecoder, UnfinishedSequenceIsDroppedAfterTheTimeout) {
    KeyDecoder d{};
    EXPECT_EQ(decode(d, "\x1b[1;", T0), "");
    EXPECT_EQ(idle(d, T0 + ESCAPE_TIMEOUT - 1ms), "");
    EXPECT_EQ(decode(d, "2", T0 + 20ms), ""); // each byte restarts the wait
    EXPECT_EQ(idle(d, T0 + 40ms), "");
    EXPECT_EQ(decode(d, "A", T0 + 40ms), "UP");

    EXPECT_EQ(decode(d, "\x1b[1;", T0 + 1s), "");
    EXPECT_EQ(idle(d, T0 + 1s + ESCAPE_TIMEOUT), "");
    EXPECT_EQ(decode(d, "A", T0 + 2s), "A"); // a key again, not the end of the old sequence

    EXPECT_EQ(decode(d, "\x1b]0;unterminated", T0 + 3s), "");
    EXPECT_EQ(idle(d, T0 + 3s + ESCAPE_TIMEOUT), "");
    EXPECT_EQ(decode(d, "w", T0 + 4s), "W");
}

TEST(KeyDecoder, KittyFormsCarryPressRepeatAndRelease) {
    EXPECT_EQ(settle("\x1b[97u\x1b[97;1:2u\x1b[97;1:3u"), "A A~ A^");
    EXPECT_EQ(settle("\x1b[119;2u\x1b[115;65u\x1b[100;129u"), "W S D"); // Shift, CapsLock, NumLock
    EXPECT_EQ(settle("\x1b[97:65;2u\x1b[97;;97u"), "A A");              // alternate key, text field
    EXPECT_EQ(settle("\x1b[27u\x1b[27;1:3u"), "ESC ESC^");
    EXPECT_EQ(settle("\x1b[1;1:1A\x1b[1;1:3D\x1b[1;2:2C"), "UP LEFT^ RIGHT~");
    // Alt, Ctrl, Super chords and unknown event types are no keys.
    EXPECT_EQ(settle("\x1b[119;3u\x1b[119;5u\x1b[97;9u\x1b[97;1:4u\x1b[1;1:0A"), "");
}

TEST(KeyDecoder, FullOutputStopsDecodingUntilCalledAgain) {
    const std::string letters(MAX_KEY_EVENTS + 5, 'w');
    const auto* bytes = reinterpret_cast<const unsigned char*>(letters.data());
    KeyDecoder d{};
    KeyEvents out{};
    EXPECT_EQ(decodeBytes(d, bytes, letters.size(), T0, out), MAX_KEY_EVENTS);
    EXPECT_EQ(out.count, MAX_KEY_EVENTS);
    out.count = 0;
    EXPECT_EQ(decodeBytes(d, bytes + MAX_KEY_EVENTS, 5, T0, out), 5u);
    EXPECT_EQ(out.count, 5u);
}

KeyEvents events(std::initializer_list<KeyEvent> list) {
    KeyEvents out{};
    for (const KeyEvent& e : list) out.items[out.count++] = e;
    return out;
}

TEST(KeyTable, PressCountsOnceAndOnlyItsOwnPollClearsIt) {
    KeyTable table{};
    applyKeyEvents(table, events({{VKEY_W, KeyAction::Press}, {VKEY_UP, KeyAction::Press}}));
    EXPECT_EQ(pollKey(table, VKEY_A), 0);
    EXPECT_NE(pollKey(table, VKEY_W), 0);
    EXPECT_EQ(pollKey(table, VKEY_W), 0);
    EXPECT_NE(pollKey(table, VKEY_UP), 0); // W's poll left it alone
    EXPECT_EQ(pollKey(table, VKEY_UP), 0);
    EXPECT_EQ(pollKey(table, -1), 0);
    EXPECT_EQ(pollKey(table, 256), 0);
}

TEST(KeyTable, WithReleasesReportedAKeyCountsWhileHeld) {
    KeyTable table{};
    table.reportsReleases = true;
    applyKeyEvents(table, events({{VKEY_LEFT, KeyAction::Press}}));
    EXPECT_NE(pollKey(table, VKEY_LEFT), 0);
    EXPECT_NE(pollKey(table, VKEY_LEFT), 0);
    applyKeyEvents(table, events({{VKEY_LEFT, KeyAction::Release}}));
    EXPECT_EQ(pollKey(table, VKEY_LEFT), 0);
    // Tapped between two polls: still counted once.
    applyKeyEvents(table, events({{VKEY_S, KeyAction::Press}, {VKEY_S, KeyAction::Release}}));
    EXPECT_NE(pollKey(table, VKEY_S), 0);
    EXPECT_EQ(pollKey(table, VKEY_S), 0);
}

TEST(KeyTable, FeedKeysDecodesAndTimesOutEscapeOnAnEmptyRead) {
    KeyDecoder d{};
    KeyTable table{};
    const auto* esc = reinterpret_cast<const unsigned char*>("\x1b");
    feedKeys(d, table, esc, 1, T0);
    EXPECT_EQ(pollKey(table, VKEY_ESCAPE), 0);
    feedKeys(d, table, nullptr, 0, T0 + 100ms);
    EXPECT_NE(pollKey(table, VKEY_ESCAPE), 0);
    // A legacy press never leaves a key down.
    const std::string many(3 * MAX_KEY_EVENTS, 'd');
    feedKeys(d, table, reinterpret_cast<const unsigned char*>(many.data()), many.size(), T0 + 1s);
    EXPECT_NE(pollKey(table, VKEY_D), 0);
    EXPECT_EQ(pollKey(table, VKEY_D), 0);
}

} // namespace
