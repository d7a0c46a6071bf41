#include <gtest/gtest.h>

#include "board.h"
#include "fake_console.h"
#include "view.h"

namespace {

class View : public ::testing::Test {
protected:
    void SetUp() override { fake::reset(); }
};

void stepTo(Player& p, int dir) {
    p.lastDir = p.dir;
    steer(p, dir);
    movePlayer(p);
}

TEST_F(View, RestingSnakeIsOneStarAndNoHead) {
    Player p{};
    resetPlayer(p, 10, 10, COLOR_P1);
    drawPlayer(p);
    EXPECT_EQ(fake::cell(10, 10).glyph, GLYPH_START);
    EXPECT_EQ(fake::cell(10, 10).color, COLOR_P1);
    // Erase, seven segments, and the head's cursor move without a glyph.
    EXPECT_EQ(fake::console().writes.size(), 8u);
}

TEST_F(View, BodyShowsStraightsCornersAndHeadArrow) {
    Player p{};
    resetPlayer(p, 10, 10, COLOR_P2);
    stepTo(p, DIR_RIGHT);
    stepTo(p, DIR_RIGHT);
    stepTo(p, DIR_UP);
    stepTo(p, DIR_UP);
    stepTo(p, DIR_LEFT);
    drawPlayer(p);
    EXPECT_EQ(fake::cell(10, 10).glyph, GLYPH_START); // stacked start segments remain
    EXPECT_EQ(fake::cell(11, 10).glyph, GLYPH_HORIZONTAL);
    EXPECT_EQ(fake::cell(12, 10).glyph, GLYPH_UP_LEFT);   // right then up: ╝
    EXPECT_EQ(fake::cell(12, 9).glyph, GLYPH_VERTICAL);
    EXPECT_EQ(fake::cell(12, 8).glyph, GLYPH_DOWN_LEFT);  // up then left: ╗
    EXPECT_EQ(fake::cell(11, 8).glyph, GLYPH_HEAD_LEFT);
    for (int x = 10; x <= 12; x++) EXPECT_EQ(fake::cell(x, 10).color, COLOR_P2);
}

TEST_F(View, VacatedTailIsErasedBeforeTheBodyIsDrawn) {
    Player p{};
    resetPlayer(p, 10, 10, COLOR_P1);
    for (int i = 0; i < 8; i++) stepTo(p, DIR_DOWN);
    drawPlayer(p);
    // The last start segment has left (10, 10): blank. lastBit is erased first.
    EXPECT_EQ(p.lastBit.y, 10);
    EXPECT_EQ(fake::cell(10, 10).glyph, GLYPH_BLANK);
    EXPECT_EQ(fake::console().writes.front().glyph, GLYPH_BLANK);
    EXPECT_EQ(fake::cell(10, 11).glyph, GLYPH_VERTICAL);
    apple = {0, 0};
    drawTable(p, p);
    stepTo(p, DIR_DOWN);
    drawPlayer(p);
    EXPECT_EQ(fake::cell(10, 19).glyph, GLYPH_HEAD_DOWN) << "a head on the wall is drawn over it";
    EXPECT_EQ(fake::cell(10, 11).glyph, GLYPH_BLANK);

    // While the stacked start segments trail out, the erased cell is redrawn.
    Player q{};
    resetPlayer(q, 40, 10, COLOR_P1);
    stepTo(q, DIR_UP);
    drawPlayer(q);
    EXPECT_EQ(fake::cell(40, 10).glyph, GLYPH_START);
}

TEST_F(View, TableIsHeaderAndWallsInGrey) {
    Player p{};
    Player q{};
    resetPlayer(p, 10, 10, COLOR_P1);
    resetPlayer(q, 60, 10, COLOR_P2);
    p.score = 12;
    q.length = 130;
    sec = 7;
    drawTable(p, q);
    EXPECT_EQ(fake::row(0), "Length: 8  Score: 12          Time: 7          Length: 130  Score: 0");
    int walls = 0;
    for (const fake::Write& w : fake::console().writes) {
        if (w.glyph != GLYPH_WALL) continue;
        walls++;
        EXPECT_TRUE(isWall(w.x, w.y)) << w.x << "," << w.y;
        EXPECT_EQ(w.color, COLOR_TABLE);
    }
    EXPECT_EQ(walls, 174);
    EXPECT_EQ(fake::cell(0, 1).glyph, GLYPH_WALL);
    EXPECT_EQ(fake::cell(69, 19).glyph, GLYPH_WALL);
    EXPECT_EQ(fake::cell(1, 2).glyph, 0) << "the interior is never touched";
    sec = 0;
}

TEST_F(View, AppleIsYellow) {
    apple = {33, 7};
    drawApple();
    EXPECT_EQ(fake::cell(33, 7).glyph, GLYPH_APPLE);
    EXPECT_EQ(fake::cell(33, 7).color, COLOR_APPLE);
}

} // namespace
