// The one-player rules that differ, and whole one-player games on the fake
// console.
#include <gtest/gtest.h>

#include <cstdlib>

#include "board.h"
#include "fake_console.h"
#include "platform.h"
#include "solo.h"
#include "view.h"

namespace {

class Solo : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        sec = 0;
    }
};

TEST_F(Solo, EatingAtTheStartOfTheMoveGrowsInThatMove) {
    std::srand(5);
    Player p{};
    resetPlayer(p, 2, 2);
    for (int i = 0; i < 12; i++) {
        p.lastDir = p.dir;
        steer(p, DIR_RIGHT);
        solo::movePlayer(p);
    }
    // Head at (14, 2), tail at (5, 2). The apple is under the head.
    apple = {p.body[0].x, p.body[0].y};
    const BodyPart tail = p.body[9];
    const Player before = p;
    p.lastDir = p.dir;
    solo::movePlayer(p);
    EXPECT_EQ(p.length, 11);
    EXPECT_EQ(p.score, 1);
    EXPECT_EQ(p.body[0].x, 15);
    EXPECT_EQ(p.body[10].x, tail.x) << "the tail stays: one segment longer after the same move";
    EXPECT_EQ(p.lastBit.x, tail.x);
    for (int i = 0; i < before.length; i++) {
        EXPECT_FALSE(apple.x == before.body[i].x && apple.y == before.body[i].y)
            << "the new apple avoids the snake as it stood";
    }
}

TEST_F(Solo, FirstAppleNeverOnTheStartCell) {
    for (std::time_t seed = 0; seed < 400; seed++) {
        fake::reset();
        fake::console().clock = [seed](int) { return seed; };
        fake::pressAt({{0, VKEY_ESCAPE}});
        solo::runSolo();
        const fake::Write& first = fake::console().writes.front();
        ASSERT_EQ(first.glyph, '#');
        ASSERT_FALSE(first.x == 2 && first.y == 2) << "seed " << seed;
    }
}

TEST_F(Solo, FirstFrameIsOneStarAndTheShortHeader) {
    fake::pressAt({{0, VKEY_ESCAPE}});
    EXPECT_EQ(solo::runSolo(), 0);
    EXPECT_EQ(fake::cell(2, 2).glyph, GLYPH_START);
    EXPECT_EQ(fake::row(0), "Length: 10  Score: 0  Time: 1");
    EXPECT_EQ(fake::cell(0, 1).glyph, GLYPH_WALL);
    EXPECT_EQ(fake::cell(69, 19).glyph, GLYPH_WALL);
    EXPECT_EQ(fake::console().readCalls, 0);
}

TEST_F(Solo, HeaderShowsLengthScoreAndTime) {
    Player p{};
    resetPlayer(p, 2, 2);
    p.length = 123;
    p.score = 113;
    sec = 45;
    solo::drawTable(p);
    EXPECT_EQ(fake::row(0), "Length: 123  Score: 113  Time: 45");
}

TEST_F(Solo, SteeringUpAtOnceIsGameOverOnTheReadoutRow) {
    fake::pressAt({{0, VKEY_UP}});
    EXPECT_EQ(solo::runSolo(), 0);
    EXPECT_EQ(fake::console().readFrame, 1);
    EXPECT_EQ(fake::row(20), "   Game Over");
    EXPECT_EQ(fake::cell(2, 1).glyph, GLYPH_HEAD_UP);
    EXPECT_FALSE(fake::console().outOfScript);
}

TEST_F(Solo, EscapeEndsAtOnceAndNoColourIsEverSet) {
    fake::pressAt({{0, VKEY_DOWN}, {5, VKEY_ESCAPE}});
    EXPECT_EQ(solo::runSolo(), 0);
    EXPECT_EQ(fake::console().frame, 6);
    EXPECT_EQ(fake::console().readCalls, 0);
    EXPECT_TRUE(fake::console().colorSets.empty());
    for (const fake::Write& w : fake::console().writes) ASSERT_EQ(w.color, fake::NO_COLOR);
}

TEST_F(Solo, SnakeThatReachesTheAppleIsLongerWhenItCrashes) {
    // Steer along row 2 to the first apple's column, then down into the wall.
    static constexpr std::time_t seed = 1234;
    std::srand(static_cast<unsigned>(seed));
    Player probe{};
    resetPlayer(probe, 2, 2);
    nextApple(probe);
    const Point first = apple;
    ASSERT_GT(first.x, 12) << "pick a seed whose first apple leaves room to trail out";
    fake::console().clock = [](int) { return seed; };
    fake::pressAt({{0, VKEY_RIGHT}, {first.x - 2, VKEY_DOWN}});
    solo::runSolo();
    ASSERT_EQ(fake::row(20), "   Game Over");
    int snakeCells = 0;
    for (int y = 1; y <= 19; y++)
        for (int x = 0; x < 70; x++) {
            const unsigned char g = fake::cell(x, y).glyph;
            if (g != 0 && g != GLYPH_BLANK && g != GLYPH_WALL && g != '#') snakeCells++;
        }
    EXPECT_EQ(snakeCells, 11) << "ten segments and the one the apple added";
    EXPECT_EQ(fake::cell(first.x, 19).glyph, GLYPH_HEAD_DOWN);
}

} // namespace
