#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "keys.h"
#include "platform.h"

namespace {

using namespace std::chrono_literals;

const KeyClock::time_point T0 = KeyClock::time_point{} + 1h;

// Events as text, e.g. "UP A^ ESC. CTRL+C": ^ marks a release, ~ a repeat,
// . a legacy keystroke (no release to come).
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
            case VKEY_A: case VKEY_D: case VKEY_S: case VKEY_W: text += static_cast<char>(e.vk); break;
            default:
                if (e.vk >= VKEY_CONTROL && e.vk < VKEY_CONTROL_END) {
                    text += "CTRL+";
                    text += static_cast<char>((e.vk - VKEY_CONTROL) ^ 0x40); // 3 -> C, 28 -> backslash
                } else {
                    text += "?" + std::to_string(e.vk);
                }
                break;
        }
        if (e.action == KeyAction::Repeat) text += '~';
        if (e.action == KeyAction::Release) text += '^';
        if (e.action == KeyAction::Typed) text += '.';
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
    // CSI arrows are the same bytes in kitty's protocol, which may release them later.
    EXPECT_EQ(settle("\x1b[A\x1b[B\x1b[C\x1b[D"), "UP DOWN RIGHT LEFT");
    EXPECT_EQ(settle("\x1bOA\x1bOB\x1bOC\x1bOD"), "UP. DOWN. RIGHT. LEFT.");
    EXPECT_EQ(settle("\x1b[1;2A\x1b[1;5D\x1b[1;3B"), "UP LEFT DOWN"); // Shift, Ctrl, Alt
    EXPECT_EQ(settle("\x1bO1;2C"), "RIGHT.");
    // Parameters no arrow has.
    EXPECT_EQ(settle("\x1b[2A\x1b[1;2;3A\x1b[?1A\x1b[1 A"), "");
}

TEST(KeyDecoder, LettersInEitherCaseAndNothingElse) {
    EXPECT_EQ(settle("aAdDsSwW"), "A. A. D. D. S. S. W. W.");
    EXPECT_EQ(settle("qxz019 \r\n\t\x01\x03\x7f[O~"), "");
    EXPECT_EQ(settle("\xc3\xa9\xe2\x86\x92\xf0\x9f\x90\x8d"), ""); // é → and an emoji
    EXPECT_EQ(settle("\xff\x9b" "A"), "A.");                       // lone high bytes are no CSI
}

TEST(KeyDecoder, LoneEscapeCountsOnlyAfterTheTimeout) {
    KeyDecoder d{};
    EXPECT_EQ(decode(d, "\x1b"), "");
    EXPECT_EQ(idle(d, T0 + ESCAPE_TIMEOUT - 1ms), "");
    EXPECT_EQ(idle(d, T0 + ESCAPE_TIMEOUT), "ESC.");
    EXPECT_EQ(idle(d, T0 + 1s), "");
    EXPECT_EQ(decode(d, "w", T0 + 1s), "W.");

    // ESC ESC: the first is Escape at once, the second waits.
    EXPECT_EQ(decode(d, "\x1b\x1b", T0 + 2s), "ESC.");
    EXPECT_EQ(idle(d, T0 + 2s + ESCAPE_TIMEOUT), "ESC.");
    EXPECT_EQ(settle("\x1b\x1b[A"), "ESC. UP");
}

TEST(KeyDecoder, ArrowSplitAtAnyPointIsNeverEscape) {
    const std::pair<std::string_view, const char*> arrows[] = {
        {"\x1b[A", "UP"}, {"\x1bOB", "DOWN."}, {"\x1b[1;5C", "RIGHT"}, {"\x1b[1;1:3D", "LEFT^"}};
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
    EXPECT_EQ(settle("\x1bW" "s"), "S.");
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
        "\x1b[13u",                       // kitty: Enter, as every key is reported
        "\x1b[57441;2u",                  // kitty: left Shift itself
        "\x1b[57358;65:3u",               // kitty: Caps Lock released
        "\x1b[1;1:3H",                    // kitty: Home released
        "\x1b[?11u",                      // keyboard flags reply
        "\x1b[2J",                        // not a key at all
    };
    for (std::string_view bytes : skipped) {
        SCOPED_TRACE(testing::PrintToString(std::string(bytes)));
        EXPECT_EQ(settle(std::string(bytes) + "w\x1b[A"), "W. UP");
    }
    // A sequence broken by a control byte or a new ESC is dropped.
    EXPECT_EQ(settle("\x1b[1;\n" "A"), "A.");
    EXPECT_EQ(settle("\x1b[1;\x1b[B"), "DOWN");
}

TEST(KeyDecoder, OverlongSequenceIsConsumedToItsEndThenDropped) {
    EXPECT_EQ(settle("\x1b[" + std::string(5000, '1') + "A" + "\x1b[B"), "DOWN");
    EXPECT_EQ(settle("\x1b[" + std::string(5000, ';') + "~d"), "D.");
    // Cut to its first bytes it would read as 'a'; whole it is no key anyone sends.
    EXPECT_EQ(settle("\x1b[97" + std::string(3000, ':') + "u" + "s"), "S.");
    // Numbers too large for any key: dropped, not wrapped round to one.
    EXPECT_EQ(settle("\x1b[4294967393u\x1b[97;4294967297u\x1b[1;1:4294967299A"), "");
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
    EXPECT_EQ(decode(d, "A", T0 + 2s), "A."); // a key again, not the end of the old sequence

    EXPECT_EQ(decode(d, "\x1b]0;unterminated", T0 + 3s), "");
    EXPECT_EQ(idle(d, T0 + 3s + ESCAPE_TIMEOUT), "");
    EXPECT_EQ(decode(d, "w", T0 + 4s), "W.");
}

TEST(KeyDecoder, KittyFormsCarryPressRepeatAndRelease) {
    // As a kitty terminal sends them with flags 11 (all keys as escape codes).
    EXPECT_EQ(settle("\x1b[D\x1b[1;1:2D\x1b[1;1:3D"), "LEFT LEFT~ LEFT^");
    EXPECT_EQ(settle("\x1b[97u\x1b[97;1:2u\x1b[97;1:3u"), "A A~ A^");
    EXPECT_EQ(settle("\x1b[27u\x1b[27;1:3u"), "ESC ESC^");
    EXPECT_EQ(settle("\x1b[1;1:1A\x1b[1;2:2C\x1b[1;2:3C"), "UP RIGHT~ RIGHT^");
    // With flags 3 letters press as text and release as escape codes.
    EXPECT_EQ(settle("a\x1b[97;1:3u"), "A. A^");
    EXPECT_EQ(settle("\x1b[97:65;2u\x1b[97;;97u"), "A A"); // alternate key, text field
    // Unknown event types are no keys.
    EXPECT_EQ(settle("\x1b[97;1:4u\x1b[1;1:0A\x1b[97;1:9u"), "");
}

TEST(KeyDecoder, WhatKitty0265SentForKeysTypedWithFlags11) {
    // Recorded from kitty 0.26.5: Left held (with three repeats), a, Shift+W,
    // Escape, Ctrl+C, Ctrl+Z, Ctrl+backslash, and s with Caps Lock on. The
    // modifier keys report themselves (57441 Shift, 57442 Ctrl, 57358 Caps
    // Lock), and a chord's letter may be released after its Ctrl.
    const std::string_view typed =
        "\x1b[D\x1b[1;1:2D\x1b[1;1:2D\x1b[1;1:2D\x1b[1;1:3D\x1b[97u\x1b[97;1:3u\x1b[57441u\x1b[119;2u"
        "\x1b[119;2:3u\x1b[57441;2:3u\x1b[27u\x1b[27;1:3u\x1b[57442u\x1b[99;5u\x1b[57442;5:3u\x1b[99;1:3u"
        "\x1b[57442u\x1b[122;5u\x1b[57442;5:3u\x1b[122;1:3u\x1b[57442u\x1b[92;5u\x1b[57442;5:3u"
        "\x1b[92;1:3u\x1b[57358u\x1b[57358;65:3u\x1b[115;65u\x1b[115;65:3u\x1b[57358;65u\x1b[57358;65:3u";
    EXPECT_EQ(settle(typed),
              "LEFT LEFT~ LEFT~ LEFT~ LEFT^ A A^ W W^ ESC ESC^ CTRL+C CTRL+Z CTRL+\\ S S^");
}

TEST(KeyDecoder, LettersCountWhateverShiftAndTheLocksSay) {
    // The modifier field is 1 + bits: Shift 1, Caps Lock 64, Num Lock 128.
    for (const char* mods : {"2", "65", "66", "129", "194"}) {
        SCOPED_TRACE(mods);
        const std::string m = mods;
        EXPECT_EQ(settle("\x1b[119;" + m + "u\x1b[119;" + m + ":2u\x1b[119;" + m + ":3u"), "W W~ W^");
        EXPECT_EQ(settle("\x1b[115;" + m + "u\x1b[97;" + m + "u\x1b[100;" + m + ":3u"), "S A D^");
        EXPECT_EQ(settle("\x1b[1;" + m + "B\x1b[1;" + m + ":3B"), "DOWN DOWN^");
    }
    // Alt, Super, Hyper and Meta make a chord: no letter, pressed or released.
    for (const char* mods : {"3", "9", "17", "33", "67", "11"}) {
        SCOPED_TRACE(mods);
        const std::string m = mods;
        EXPECT_EQ(settle("\x1b[119;" + m + "u\x1b[119;" + m + ":3u"), "");
    }
}

TEST(KeyDecoder, CtrlChordsComeOutAsTheControlCharactersTheyWouldType) {
    EXPECT_EQ(settle("\x1b[99;5u"), "CTRL+C");
    EXPECT_EQ(settle("\x1b[122;5u"), "CTRL+Z");
    EXPECT_EQ(settle("\x1b[92;5u\x1b[52;5u"), "CTRL+\\ CTRL+\\"); // Ctrl+4 is Ctrl+\ too
    // Shift and the locks change nothing; a repeat types again; a release types nothing.
    EXPECT_EQ(settle("\x1b[99;6u\x1b[99;69u\x1b[99;5:2u\x1b[99;5:3u"), "CTRL+C CTRL+C CTRL+C~");
    // Ctrl+W is no W, Ctrl+Alt+C no Ctrl+C, and Ctrl+F1 or Ctrl+x-with-no-control-byte nothing.
    EXPECT_EQ(settle("\x1b[119;5u"), "CTRL+W");
    EXPECT_EQ(settle("\x1b[99;7u\x1b[99;13u\x1b[1;5P\x1b[49;5u\x1b[57399;5u"), "");
    // Ctrl with an arrow still steers, as on a legacy terminal.
    EXPECT_EQ(settle("\x1b[1;5A"), "UP");
}

TEST(KeyDecoder, EveryKittySequenceSplitAnywhereDecodesAsWhole) {
    const std::string_view sequences[] = {
        "\x1b[D",          "\x1b[1;1:2D",  "\x1b[1;1:3D",  "\x1b[97u",       "\x1b[97;1:2u",
        "\x1b[97;1:3u",    "\x1b[27u",     "\x1b[27;1:3u", "\x1b[119;65:3u", "\x1b[115;2u",
        "\x1b[99;5u",      "\x1b[122;5u",  "\x1b[92;5u",   "\x1b[1;2:3B",    "\x1b[100;129:2u",
    };
    for (std::string_view bytes : sequences) {
        const std::string whole = settle(bytes);
        ASSERT_NE(whole, "") << testing::PrintToString(std::string(bytes));
        for (std::size_t first = 1; first < bytes.size(); first++) {
            for (std::size_t second = first + 1; second <= bytes.size(); second++) {
                SCOPED_TRACE(testing::Message() << testing::PrintToString(std::string(bytes)) << " cut at "
                                                << first << " and " << second);
                // Two or three reads, each long after the last: never Escape, never dropped.
                KeyDecoder d{};
                std::string seen = decode(d, bytes.substr(0, first), T0);
                seen += idle(d, T0 + 1ms);
                seen += decode(d, bytes.substr(first, second - first), T0 + 100ms);
                seen += idle(d, T0 + 101ms);
                seen += decode(d, bytes.substr(second), T0 + 200ms);
                seen += idle(d, T0 + 1s);
                EXPECT_EQ(seen, whole);
            }
        }
    }
}

TEST(KeyDecoder, KeysAmongRepliesGarbageAndOverlongSequences) {
    const std::string stream = std::string("\x1b[?11u") + "\x1b[97u" + "\x1b[?62;22c" + "\x1b[1;1:3D" +
                               "\x01\x7f\xfe" + "\x1b[" + std::string(300, '9') + "u" + "\x1b[119;1:2u" +
                               "\x1b]52;c;" + std::string(500, 'w') + "\x07" + "\x1b[99;5u" + "zq" +
                               "\x1bP>|kitty\x1b\\" + "\x1b[27;1:3u";
    EXPECT_EQ(settle(stream), "A LEFT^ W~ CTRL+C ESC^");
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
    applyKeyEvents(table, events({{VKEY_W, KeyAction::Typed}, {VKEY_UP, KeyAction::Press}}));
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
    // A repeat whose press went unseen holds the key too.
    applyKeyEvents(table, events({{VKEY_D, KeyAction::Repeat}}));
    EXPECT_NE(pollKey(table, VKEY_D), 0);
    EXPECT_NE(pollKey(table, VKEY_D), 0);
    // A legacy keystroke never holds: its release will not come.
    applyKeyEvents(table, events({{VKEY_W, KeyAction::Typed}}));
    EXPECT_NE(pollKey(table, VKEY_W), 0);
    EXPECT_EQ(pollKey(table, VKEY_W), 0);
}

TEST(KeyTable, WithoutReleasesReportedNothingIsEverHeld) {
    KeyTable table{};
    applyKeyEvents(table, events({{VKEY_UP, KeyAction::Press}, {VKEY_A, KeyAction::Repeat}}));
    EXPECT_NE(pollKey(table, VKEY_UP), 0);
    EXPECT_EQ(pollKey(table, VKEY_UP), 0);
    EXPECT_NE(pollKey(table, VKEY_A), 0);
    EXPECT_EQ(pollKey(table, VKEY_A), 0);
}

TEST(KeyTable, ReleasingAllKeysKeepsPressesNotYetPolled) {
    KeyTable table{};
    table.reportsReleases = true;
    applyKeyEvents(table, events({{VKEY_UP, KeyAction::Press}, {VKEY_W, KeyAction::Press}}));
    EXPECT_NE(pollKey(table, VKEY_UP), 0);
    releaseAllKeys(table);
    EXPECT_EQ(pollKey(table, VKEY_UP), 0); // held before, polled already: gone
    EXPECT_NE(pollKey(table, VKEY_W), 0);  // pressed, not yet polled: still counts once
    EXPECT_EQ(pollKey(table, VKEY_W), 0);
}

TEST(KeyTable, ControlCharactersWaitInOrderAndCountAsNoKey) {
    KeyTable table{};
    table.reportsReleases = true;
    applyKeyEvents(table, events({{VKEY_CONTROL + 3, KeyAction::Press},
                                  {VKEY_CONTROL + 3, KeyAction::Release},
                                  {VKEY_CONTROL + 26, KeyAction::Repeat},
                                  {VKEY_CONTROL + 28, KeyAction::Press}}));
    unsigned char c = 0;
    ASSERT_TRUE(takeControl(table, c));
    EXPECT_EQ(c, 3);
    ASSERT_TRUE(takeControl(table, c));
    EXPECT_EQ(c, 26);
    ASSERT_TRUE(takeControl(table, c));
    EXPECT_EQ(c, 28);
    EXPECT_FALSE(takeControl(table, c));
    for (int vk = 0; vk < 256; vk++) EXPECT_EQ(pollKey(table, vk), 0) << vk;

    // More than fit: the first ones are kept, the rest dropped.
    for (std::size_t i = 0; i < MAX_CONTROLS + 4; i++) {
        applyKeyEvents(table, events({{VKEY_CONTROL + static_cast<int>(i), KeyAction::Press}}));
    }
    for (std::size_t i = 0; i < MAX_CONTROLS; i++) {
        ASSERT_TRUE(takeControl(table, c));
        EXPECT_EQ(c, i);
    }
    EXPECT_FALSE(takeControl(table, c));
}

TEST(KeyTable, HeldKeyFromTheBytesCountsAtEveryPollUntilReleased) {
    KeyDecoder d{};
    KeyTable table{};
    table.reportsReleases = true;
    const auto feed = [&](std::string_view bytes, KeyClock::time_point now) {
        feedKeys(d, table, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), now);
    };
    feed("\x1b[C", T0); // Right pressed, then no repeats at all
    for (int poll = 0; poll < 5; poll++) {
        feed("", T0 + poll * 90ms);
        EXPECT_NE(pollKey(table, VKEY_RIGHT), 0) << poll;
    }
    feed("\x1b[1;1:3C", T0 + 1s);
    EXPECT_EQ(pollKey(table, VKEY_RIGHT), 0);
    // W pressed and released between two polls: counted at the next, once.
    feed("\x1b[119u\x1b[119;1:3u", T0 + 2s);
    EXPECT_NE(pollKey(table, VKEY_W), 0);
    EXPECT_EQ(pollKey(table, VKEY_W), 0);
    // A plain letter byte (a key typed before the flags took effect) counts once.
    feed("d", T0 + 3s);
    EXPECT_NE(pollKey(table, VKEY_D), 0);
    EXPECT_EQ(pollKey(table, VKEY_D), 0);
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
