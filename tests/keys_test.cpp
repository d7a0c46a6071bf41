// The key and reply parser, fed whole and byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "keys.h"
#include "platform.h"

namespace {

const KeyClock::time_point T0{};

void feed(Keys& k, const char* bytes, KeyClock::time_point now = T0, std::size_t step = 0) {
    const std::size_t n = std::strlen(bytes);
    for (std::size_t i = 0; i < n; i += step ? step : n) {
        feedKeys(k, reinterpret_cast<const unsigned char*>(bytes) + i, step ? step : n, now);
        idleKeys(k, now);
    }
}

TEST(Keys, DecodeWholeAndSplit) {
    const struct {
        const char* bytes;
        int vk, first, second; // the key at the first poll, and still held at the next
    } cases[] = {
        {"a", VKEY_A, 1, 0}, {"W", VKEY_W, 1, 0},         // typed keys never hold
        {"\x1b[A", VKEY_UP, 1, 1},                        // a press holds until its release
        {"\x1b[A\x1b[1;1:3A", VKEY_UP, 1, 0}, {"\x1b[1;5B", VKEY_DOWN, 1, 1},
        {"\x1bOD", VKEY_LEFT, 1, 0},                      // SS3 comes from legacy terminals only
        {"\x1b[100;1:2u", VKEY_D, 1, 1}, {"\x1b[115;2u", VKEY_S, 1, 1}, {"\x1b[27u", VKEY_ESCAPE, 1, 1},
        {"\x1b[97;3u", VKEY_A, 0, 0}, {"\x1b" "a", VKEY_A, 0, 0}, // Alt chords
        {"\x1b]0;wasd\x07", VKEY_W, 0, 0}, {"\x1b[?97u", VKEY_A, 0, 0}, {"\x1b[>1;2C", VKEY_RIGHT, 0, 0},
        {"\x1b[1111111111111111111111111111111111111111A", VKEY_UP, 0, 0}, // too long: dropped
    };
    for (const auto& c : cases) {
        for (int run = 0; run < 4; run++) { // whole and byte by byte; with releases reported and without
            Keys k{};
            k.reportsReleases = run < 2; // else no release will come, and no press may hold
            feed(k, c.bytes, T0, run % 2);
            EXPECT_EQ(pollKey(k, c.vk), c.first) << c.bytes + 1 << " run " << run;
            EXPECT_EQ(pollKey(k, c.vk), c.second && run < 2) << c.bytes + 1 << " run " << run;
        }
    }
}

TEST(Keys, OnlyALoneEscapeTimesOut) {
    Keys k{};
    feed(k, "\x1b");
    idleKeys(k, T0 + ESCAPE_TIMEOUT / 2);
    EXPECT_EQ(pollKey(k, VKEY_ESCAPE), 0);
    idleKeys(k, T0 + ESCAPE_TIMEOUT);
    EXPECT_EQ(pollKey(k, VKEY_ESCAPE), 1);
    for (const char* start : {"\x1b[", "\x1bO"}) { // an arrow's last byte a second late
        Keys late{};
        feed(late, start);
        feed(late, "D", T0 + std::chrono::seconds(1));
        EXPECT_EQ(pollKey(late, VKEY_LEFT), 1) << start + 1;
        EXPECT_EQ(pollKey(late, VKEY_D) + pollKey(late, VKEY_ESCAPE), 0) << start + 1;
    }
}

TEST(Keys, RepliesAndControls) {
    Keys k{};
    feed(k, "\x1b[?11u\x1b[?62;22c\x1b[99;5u\x1b[122;5:3u"); // Ctrl+C pressed, Ctrl+Z released
    EXPECT_TRUE(k.flagsSeen && k.flags == 11 && k.answered && k.hasControl && k.control == 3);
    for (const char* absurd : {"\x1b[?99999999999999999999u", "\x1b[?32u"}) {
        Keys no{};
        feed(no, absurd);
        EXPECT_FALSE(no.flagsSeen || no.answered) << absurd + 1;
    }
}

} // namespace
