// Whole two-player games played on the fake console.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board.h"
#include "duel.h"
#include "fake_console.h"
#include "platform.h"
#include "view.h"

namespace {

class Duel : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        sec = 0;
    }
    int play() {
        const int status = runDuel();
        EXPECT_FALSE(fake::console().outOfScript) << "the game did not end by itself";
        return status;
    }
};

// The text a frame wrote in one run starting at (x, y).
std::string written(int frame, int x, int y) {
    std::string text;
    for (const fake::Write& w : fake::console().writes) {
        if (w.frame != frame || w.y != y) continue;
        if (w.x == x + static_cast<int>(text.size())) text += static_cast<char>(w.glyph);
    }
    return text;
}

std::vector<fake::Write> writesOf(int frame) {
    std::vector<fake::Write> out;
    for (const fake::Write& w : fake::console().writes)
        if (w.frame == frame) out.push_back(w);
    return out;
}

TEST_F(Duel, FirstFrameDrawsApplesAndSnakesBeforeTheTable) {
    fake::pressAt({{0, VKEY_ESCAPE}});
    EXPECT_EQ(play(), 0);
    const std::vector<fake::Write> w = writesOf(0);
    ASSERT_GT(w.size(), 200u);
    EXPECT_EQ(w[0].glyph, GLYPH_APPLE);
    EXPECT_EQ(w[0].color, COLOR_APPLE);
    EXPECT_TRUE(w[0].x >= 1 && w[0].x <= 68 && w[0].y >= 2 && w[0].y <= 18);
    EXPECT_EQ(w[1].glyph, GLYPH_BLANK); // p1's erase of its start cell
    EXPECT_EQ(w[1].color, COLOR_P1);
    EXPECT_EQ(fake::cell(10, 10).glyph, GLYPH_START);
    EXPECT_EQ(fake::cell(10, 10).color, COLOR_P1);
    EXPECT_EQ(fake::cell(60, 10).glyph, GLYPH_START);
    EXPECT_EQ(fake::cell(60, 10).color, COLOR_P2);
    EXPECT_EQ(fake::row(0), "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0");
    EXPECT_EQ(fake::cell(0, 0).color, COLOR_TABLE);
    EXPECT_EQ(fake::row(1), std::string(70, static_cast<char>(GLYPH_WALL)));
    // The sleep readout comes before the table and is in the last snake's colour.
    EXPECT_EQ(written(0, 1, 21), "0");
    EXPECT_EQ(fake::cell(1, 21).color, COLOR_P2);
    EXPECT_EQ(fake::console().readCalls, 0);
}

TEST_F(Duel, PacerStartsFromOneMillisecondAndSettles) {
    fake::pressAt({{9, VKEY_ESCAPE}});
    play();
    const char* expected[] = {"0", "-1", "-2", "-3", "-3", "-2", "-1", "0", "1", "2"};
    for (int f = 0; f < 10; f++) EXPECT_EQ(written(f, 1, 21), expected[f]) << "frame " << f;
    // Only the first and the tenth frame sleep; every frame is flushed.
    EXPECT_EQ(fake::console().sleeps, (std::vector<int>{1, 1}));
    EXPECT_EQ(fake::console().flushFrames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // Long play at a steady clock keeps lengthening the sleep by 1 ms a frame.
    fake::reset();
    fake::console().maxFrames = 40;
    runDuel();
    EXPECT_EQ(fake::console().sleeps.back(), 32);
}

TEST_F(Duel, FpsReadoutOnEachNewSecondLeavesLongerTextBehind) {
    fake::console().clock = [](int f) -> std::time_t { return f < 11 ? 1000 : f < 20 ? 1001 : 1002; };
    fake::pressAt({{20, VKEY_ESCAPE}});
    play();
    EXPECT_EQ(written(11, 0, 20), "12FPS");
    EXPECT_EQ(written(20, 0, 20), "9FPS");
    EXPECT_EQ(fake::row(20), "9FPSS");
    EXPECT_EQ(written(10, 0, 20), "") << "no readout while the second holds";
}

TEST_F(Duel, HeaderOnlyEveryHundredthFrame) {
    fake::pressAt({{0, VKEY_W}, {250, VKEY_ESCAPE}});
    fake::console().keys = [](int f, int vk) {
        // p2 circles in a small square so it never crashes.
        const int dirs[] = {VKEY_W, VKEY_A, VKEY_S, VKEY_D};
        if (vk == VKEY_ESCAPE) return f == 250;
        return f % 3 == 0 && vk == dirs[(f / 3) % 4];
    };
    play();
    EXPECT_EQ(written(99, 0, 0), "");
    EXPECT_EQ(written(100, 0, 0).substr(0, 37), "Length: 8  Score: 0          Time: 2 ");
    EXPECT_EQ(written(200, 0, 0).substr(0, 37), "Length: 8  Score: 0          Time: 3 ");
    int tables = 0;
    for (const fake::Write& w : fake::console().writes) tables += (w.x == 0 && w.y == 0);
    EXPECT_EQ(tables, 3);
}

TEST_F(Duel, WithNobodySteeringNothingMovesOrCrashes) {
    fake::console().maxFrames = 300;
    runDuel();
    EXPECT_EQ(fake::console().readCalls, 0);
    EXPECT_EQ(fake::cell(10, 10).glyph, GLYPH_START);
    EXPECT_EQ(fake::cell(60, 10).glyph, GLYPH_START);
    EXPECT_EQ(fake::cell(11, 10).glyph, 0);
    EXPECT_EQ(written(299, 1, 21).empty(), false);
}

TEST_F(Duel, WallCrashNamesTheOtherPlayer) {
    fake::pressAt({{0, VKEY_W}});
    EXPECT_EQ(play(), 0);
    // Nine moves take p2 from row 10 to the wall; the next frame's test sees it.
    EXPECT_EQ(fake::console().readFrame, 9);
    EXPECT_EQ(fake::row(21).substr(3), "Player 1 WIN");
    EXPECT_EQ(fake::cell(60, 1).glyph, GLYPH_HEAD_UP) << "the crashing head is drawn over the wall";

    fake::reset();
    fake::pressAt({{0, VKEY_LEFT}});
    play();
    EXPECT_EQ(fake::row(21).substr(3), "Player 2 WIN");
    EXPECT_EQ(fake::console().readFrame, 10);
}

TEST_F(Duel, RunningIntoTheRestingSnakeLosesIt) {
    fake::pressAt({{0, VKEY_A}});
    play();
    EXPECT_EQ(fake::row(21).substr(3), "Player 1 WIN") << "p2 hits resting p1's start cell";
    EXPECT_EQ(fake::console().readFrame, 50);

    fake::reset();
    fake::pressAt({{0, VKEY_RIGHT}});
    play();
    EXPECT_EQ(fake::row(21).substr(3), "Player 2 WIN");
}

TEST_F(Duel, BothCrashingInOneFrameIsPlayerTwosWin) {
    fake::pressAt({{0, VKEY_UP}, {0, VKEY_W}});
    play();
    EXPECT_EQ(fake::row(21).substr(3), "Player 2 WIN");
    EXPECT_EQ(fake::console().readCalls, 1);
}

TEST_F(Duel, OutcomeFollowsATwoDigitReadout) {
    // p2 crashes after frame 22, whose sleep readout was 15.
    fake::pressAt({{14, VKEY_W}});
    play();
    EXPECT_EQ(fake::row(21), " 15Player 1 WIN");
}

TEST_F(Duel, EscapeEndsAtOnceEvenAfterACrashingMove) {
    fake::pressAt({{3, VKEY_ESCAPE}});
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(fake::console().frame, 4);
    EXPECT_EQ(fake::console().readCalls, 0);

    fake::reset();
    fake::pressAt({{0, VKEY_W}, {8, VKEY_ESCAPE}}); // frame 8's move reaches the wall
    EXPECT_EQ(play(), 0);
    EXPECT_EQ(fake::console().readCalls, 0);
    EXPECT_EQ(fake::row(21).find("WIN"), std::string::npos);
}

TEST_F(Duel, LaterAcceptedKeyOfAFrameWins) {
    // p1 goes up; then Left and Right together: Left is taken, Right ignored.
    fake::pressAt({{0, VKEY_UP}, {3, VKEY_LEFT}, {3, VKEY_RIGHT}, {5, VKEY_ESCAPE}});
    play();
    EXPECT_EQ(fake::cell(8, 7).glyph, GLYPH_HEAD_LEFT);
    EXPECT_EQ(fake::cell(10, 7).glyph, GLYPH_DOWN_LEFT);
}

} // namespace
