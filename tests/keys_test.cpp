// The key and reply parser, fed whole and byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "keys.h"
#include "platform.h"

namespace {

using std::chrono::milliseconds;
const KeyClock::time_point T0{};

struct Case {
    const char* bytes;
    int vk;
    int first, second; // the key at the first poll, and still held at the next
};

TEST(Keys, DecodeWholeAndSplit) {
    const Case cases[] = {
        {"a", VKEY_A, 1, 0},                   // typed keys never hold
        {"W", VKEY_W, 1, 0},
        {"\x1b[A", VKEY_UP, 1, 1},             // a press holds until its release
        {"\x1b[A\x1b[1;1:3A", VKEY_UP, 1, 0},
        {"\x1b[1;5B", VKEY_DOWN, 1, 1},        // modifiers still steer
        {"\x1bOD", VKEY_LEFT, 1, 0},           // SS3 comes from legacy terminals only
        {"\x1b[100;1:2u", VKEY_D, 1, 1},       // repeat
        {"\x1b[115;2u", VKEY_S, 1, 1},         // shift still types the letter
        {"\x1b[97;3u", VKEY_A, 0, 0},          // Alt chord
        {"\x1b" "a", VKEY_A, 0, 0},            // legacy Alt chord
        {"\x1b[27u", VKEY_ESCAPE, 1, 1},
        {"\x1b]0;wasd\x07", VKEY_W, 0, 0},     // a string's text is no key
        {"\x1b[?97u", VKEY_A, 0, 0},           // a reply is no key
        {"\x1b[1111111111111111111111111111111111111111A", VKEY_UP, 0, 0}, // too long: dropped
        {"\x1b[>1;2C", VKEY_RIGHT, 0, 0},      // a private marker: not a key
    };
    for (const Case& c : cases) {
        for (bool split : {false, true}) {
            Keys k{};
            k.reportsReleases = true;
            const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes);
            const std::size_t n = std::strlen(c.bytes);
            for (std::size_t i = 0; i < n; i += split ? 1 : n) {
                feedKeys(k, bytes + i, split ? 1 : n, T0);
                idleKeys(k, T0);
            }
            EXPECT_EQ(pollKey(k, c.vk), c.first) << c.bytes + 1 << (split ? " split" : "");
            EXPECT_EQ(pollKey(k, c.vk), c.second) << c.bytes + 1 << (split ? " split" : "");
        }
    }
}

TEST(Keys, OnlyALoneEscapeTimesOut) {
    Keys k{};
    feedKeys(k, reinterpret_cast<const unsigned char*>("\x1b"), 1, T0);
    idleKeys(k, T0 + ESCAPE_TIMEOUT - milliseconds(1));
    EXPECT_EQ(pollKey(k, VKEY_ESCAPE), 0);
    idleKeys(k, T0 + ESCAPE_TIMEOUT);
    EXPECT_EQ(pollKey(k, VKEY_ESCAPE), 1);

    // An arrow whose last byte comes a second late is still an arrow.
    for (const char* start : {"\x1b[", "\x1bO"}) {
        Keys late{};
        feedKeys(late, reinterpret_cast<const unsigned char*>(start), 2, T0);
        idleKeys(late, T0 + milliseconds(1000));
        feedKeys(late, reinterpret_cast<const unsigned char*>("D"), 1, T0 + milliseconds(1000));
        EXPECT_EQ(pollKey(late, VKEY_LEFT), 1) << start + 1;
        EXPECT_EQ(pollKey(late, VKEY_D) + pollKey(late, VKEY_ESCAPE), 0) << start + 1;
    }
}

TEST(Keys, LegacyPressesDoNotHoldAndControlsAreReported) {
    Keys k{};
    feedKeys(k, reinterpret_cast<const unsigned char*>("\x1b[A\x1b[99;5u"), 11, T0);
    EXPECT_EQ(pollKey(k, VKEY_UP), 1);
    EXPECT_EQ(pollKey(k, VKEY_UP), 0) << "no release will come";
    EXPECT_TRUE(k.hasControl);
    EXPECT_EQ(k.control, 3); // Ctrl+C
    Keys released{};
    feedKeys(released, reinterpret_cast<const unsigned char*>("\x1b[99;5:3u"), 9, T0);
    EXPECT_FALSE(released.hasControl);
}

TEST(Keys, Replies) {
    const struct {
        const char* bytes;
        bool flagsSeen;
        int flags;
        bool answered;
    } cases[] = {
        {"\x1b[?11u\x1b[?62;22c", true, 11, true},
        {"\x1b[?99999999999999999999u", false, 0, false}, // no flags the protocol defines
        {"\x1b[?32u", false, 0, false},
        {"\x1b[?1;2c", false, 0, true},
    };
    for (const auto& c : cases) {
        Keys k{};
        feedKeys(k, reinterpret_cast<const unsigned char*>(c.bytes), std::strlen(c.bytes), T0);
        EXPECT_EQ(k.flagsSeen, c.flagsSeen) << c.bytes + 1;
        if (c.flagsSeen) {
            EXPECT_EQ(k.flags, c.flags);
        }
        EXPECT_EQ(k.answered, c.answered) << c.bytes + 1;
    }
}

} // namespace
