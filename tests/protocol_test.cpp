#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "keys.h"
#include "platform.h"
#include "protocol.h"

namespace {

struct Probed {
    std::string keys;
    bool flagsSeen;
    int flags;
    bool answered;
};

// Feeds the reads in order, then ends the wait.
Probed probe(const std::vector<std::string_view>& reads) {
    ReplyProbe p{};
    Probed result{};
    for (std::string_view read : reads) {
        std::vector<unsigned char> keys(read.size() + PROBE_HELD_MAX);
        const std::size_t n =
            probeBytes(p, reinterpret_cast<const unsigned char*>(read.data()), read.size(), keys.data());
        EXPECT_LE(n, keys.size());
        result.keys.append(reinterpret_cast<const char*>(keys.data()), n);
    }
    unsigned char held[PROBE_HELD_MAX];
    const std::size_t n = probeFinish(p, held);
    result.keys.append(reinterpret_cast<const char*>(held), n);
    result.flagsSeen = p.flagsSeen;
    result.flags = p.flags;
    result.answered = p.answered;
    return result;
}

TEST(ReplyProbe, FlagsBeforeTheAttributesMeanTheProtocolIsSpoken) {
    Probed kitty = probe({"\x1b[?0u\x1b[?62;22c"});
    EXPECT_TRUE(kitty.answered);
    EXPECT_TRUE(kitty.flagsSeen);
    EXPECT_EQ(kitty.flags, 0);
    EXPECT_EQ(kitty.keys, "");

    // kitty 0.26.5's own answer, with an empty parameter in the attributes.
    Probed kitty0265 = probe({"\x1b[?0u\x1b[?62;c"});
    EXPECT_TRUE(kitty0265.flagsSeen);
    EXPECT_TRUE(kitty0265.answered);
    EXPECT_EQ(kitty0265.keys, "");

    Probed pushed = probe({"\x1b[?11u\x1b[?1;2c"});
    EXPECT_TRUE(pushed.flagsSeen);
    EXPECT_EQ(pushed.flags, 11);

    // tmux 3.3a and other legacy terminals: the attributes alone.
    Probed tmux = probe({"\x1b[?1;2c"});
    EXPECT_TRUE(tmux.answered);
    EXPECT_FALSE(tmux.flagsSeen);
    EXPECT_EQ(tmux.keys, "");

    // Nothing at all: neither answered nor spoken.
    Probed silent = probe({});
    EXPECT_FALSE(silent.answered);
    EXPECT_FALSE(silent.flagsSeen);
}

TEST(ReplyProbe, KeysAroundAndBetweenRepliesReachTheDecoderInOrder) {
    const std::string_view stream = "w\x1b[A\x1b[?0u\x1b[D\x1bOB\x1b\x1b[?62;22c" "d\x1b[?5u\x1b";
    // After the attributes the bytes pass as they are, replies or not; the
    // decoder ignores a late reply itself.
    const std::string keys = "w\x1b[A\x1b[D\x1bOB\x1b" "d\x1b[?5u\x1b";
    Probed whole = probe({stream});
    EXPECT_EQ(whole.keys, keys);
    EXPECT_TRUE(whole.flagsSeen);
    EXPECT_EQ(whole.flags, 0);

    // Split into three reads at every pair of positions: the same.
    for (std::size_t a = 0; a <= stream.size(); a++) {
        for (std::size_t b = a; b <= stream.size(); b++) {
            SCOPED_TRACE(testing::Message() << "cut at " << a << " and " << b);
            Probed split = probe({stream.substr(0, a), stream.substr(a, b - a), stream.substr(b)});
            EXPECT_EQ(split.keys, keys);
            EXPECT_TRUE(split.flagsSeen);
            EXPECT_EQ(split.flags, 0);
            EXPECT_TRUE(split.answered);
        }
    }
}

TEST(ReplyProbe, WhatPassesDecodesToTheKeysTypedAroundTheReplies) {
    Probed p = probe({"\x1b[?0u" "a\x1b[C", "\x1b", "[?62c\x1b[1;1:3C"});
    KeyDecoder d{};
    KeyTable table{};
    const KeyClock::time_point now{};
    feedKeys(d, table, reinterpret_cast<const unsigned char*>(p.keys.data()), p.keys.size(), now);
    feedKeys(d, table, nullptr, 0, now + std::chrono::seconds(1));
    EXPECT_NE(pollKey(table, VKEY_A), 0);
    EXPECT_NE(pollKey(table, VKEY_RIGHT), 0);
    EXPECT_EQ(pollKey(table, VKEY_ESCAPE), 0); // no byte of a reply read as Escape
    EXPECT_EQ(pollKey(table, VKEY_DOWN), 0);
}

TEST(ReplyProbe, OtherRepliesAndBrokenOnesAreDropped) {
    // A mode report, a reply cut short by a new sequence, then the attributes.
    Probed p = probe({"\x1b[?1;2$y\x1b[?12\x1b[B\x1b[?62c"});
    EXPECT_EQ(p.keys, "\x1b[B");
    EXPECT_FALSE(p.flagsSeen);
    EXPECT_TRUE(p.answered);
    // A control byte cannot be in a reply: it is the user's.
    EXPECT_EQ(probe({"\x1b[?1\r\x1b[?c"}).keys, "\r");
    // The wait ends on an unfinished sequence: what was held goes to the keys.
    EXPECT_EQ(probe({"s\x1b"}).keys, "s\x1b");
    EXPECT_EQ(probe({"s\x1b["}).keys, "s\x1b[");
    EXPECT_EQ(probe({"\x1b[?6"}).keys, "");
}

TEST(ReplyProbe, AnEndlessReplyNeitherGrowsNorOverflows) {
    const std::string digits(100000, '9');
    Probed p = probe({"\x1b[?", digits, "u\x1b[?", digits, ";", digits, "c", "w"});
    EXPECT_TRUE(p.flagsSeen);
    EXPECT_GT(p.flags, 0);
    EXPECT_TRUE(p.answered);
    EXPECT_EQ(p.keys, "w");
}

TEST(ReplyProbe, ThePushSendsTheFlagsNamed) {
    EXPECT_EQ(std::string(PROTOCOL_PUSH), "\x1b[>" + std::to_string(PROTOCOL_FLAGS) + "u");
    EXPECT_EQ(PROTOCOL_FLAGS & FLAG_REPORT_EVENTS, FLAG_REPORT_EVENTS);
    EXPECT_EQ(PROTOCOL_FLAGS & FLAG_REPORT_ALL_KEYS, FLAG_REPORT_ALL_KEYS);
}

termios usualModes() {
    termios modes{};
    modes.c_lflag = ISIG | ICANON | ECHO;
    modes.c_cc[VINTR] = 3;  // ^C
    modes.c_cc[VQUIT] = 28; // ^backslash
    modes.c_cc[VSUSP] = 26; // ^Z
    return modes;
}

TEST(ControlSignal, TheUsersSignalCharactersRaiseTheirSignals) {
    termios modes = usualModes();
    EXPECT_EQ(controlSignal(3, modes), SIGINT);
    EXPECT_EQ(controlSignal(28, modes), SIGQUIT);
    EXPECT_EQ(controlSignal(26, modes), SIGTSTP);
    for (int c : {0, 1, 4, 23, 27, 127}) EXPECT_EQ(controlSignal(static_cast<unsigned char>(c), modes), 0) << c;

    // stty intr ^X: Ctrl+X interrupts and Ctrl+C does not.
    modes.c_cc[VINTR] = 24;
    EXPECT_EQ(controlSignal(24, modes), SIGINT);
    EXPECT_EQ(controlSignal(3, modes), 0);
    // stty susp undef: Ctrl+Z stops nothing, and Ctrl+Space (0) is no match for it.
    modes.c_cc[VSUSP] = _POSIX_VDISABLE;
    EXPECT_EQ(controlSignal(26, modes), 0);
    EXPECT_EQ(controlSignal(_POSIX_VDISABLE, modes), 0);
    // stty -isig: no signal from the keyboard at all.
    modes = usualModes();
    modes.c_lflag &= ~static_cast<tcflag_t>(ISIG);
    EXPECT_EQ(controlSignal(3, modes), 0);
    EXPECT_EQ(controlSignal(26, modes), 0);
}

TEST(ControlSignal, KittyChordsReachTheirSignalsThroughTheKeyTable) {
    const std::string_view bytes = "\x1b[99;5u\x1b[92;5u\x1b[122;5u\x1b[119;5u";
    KeyDecoder d{};
    KeyTable table{};
    table.reportsReleases = true;
    feedKeys(d, table, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), KeyClock::time_point{});
    std::vector<int> signals;
    unsigned char c;
    while (takeControl(table, c)) signals.push_back(controlSignal(c, usualModes()));
    EXPECT_EQ(signals, (std::vector<int>{SIGINT, SIGQUIT, SIGTSTP, 0}));
}

} // namespace
