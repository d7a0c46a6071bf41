#include <gtest/gtest.h>

#include <cstdlib>

#include "board.h"

namespace {

Player snakeAt(int x, int y) {
    Player p{};
    resetPlayer(p, x, y, 11);
    return p;
}

// Steers (as the frame loop does: lastDir first) and moves once.
void stepTo(Player& p, int dir) {
    p.lastDir = p.dir;
    steer(p, dir);
    movePlayer(p);
}

TEST(Reset, StacksEightStartSegmentsAtRest) {
    Player p{};
    p.lastDir = 3;
    resetPlayer(p, 10, 10, 11);
    EXPECT_EQ(p.length, 8);
    EXPECT_EQ(p.dir, 0);
    EXPECT_EQ(p.score, 0);
    EXPECT_EQ(p.color, 11);
    EXPECT_EQ(p.lastDir, 3) << "reset leaves lastDir alone";
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(p.body[i].x, 10);
        EXPECT_EQ(p.body[i].y, 10);
        EXPECT_EQ(p.body[i].dir, 0);
    }
    EXPECT_EQ(p.lastBit.x, 10);
    EXPECT_EQ(p.lastBit.y, 10);
    EXPECT_EQ(collided(p), 0) << "stacked start segments are no crash";

    Player solo{};
    resetPlayer(solo, 2, 2);
    EXPECT_EQ(solo.length, 10);
    EXPECT_EQ(solo.body[9].x, 2);
}

TEST(Steering, OppositeIsIgnoredAgainstCurrentDir) {
    Player p = snakeAt(10, 10);
    steer(p, DIR_RIGHT);
    steer(p, DIR_LEFT);
    EXPECT_EQ(p.dir, DIR_RIGHT);

    // Moving up: left is accepted, then down is no longer the opposite.
    p.dir = DIR_UP;
    steer(p, DIR_LEFT);
    steer(p, DIR_DOWN);
    EXPECT_EQ(p.dir, DIR_DOWN);

    // From rest every direction is taken.
    Player q = snakeAt(10, 10);
    steer(q, DIR_DOWN);
    EXPECT_EQ(q.dir, DIR_DOWN);
}

TEST(Steering, ReversalThroughASideStepRunsIntoTheNeck) {
    Player p = snakeAt(10, 10);
    for (int i = 0; i < 3; i++) stepTo(p, DIR_UP);
    p.lastDir = p.dir;
    steer(p, DIR_LEFT);
    steer(p, DIR_DOWN);
    movePlayer(p);
    EXPECT_EQ(collided(p), 1);
}

TEST(Move, RestingSnakeStaysButRecordsTail) {
    Player p = snakeAt(10, 10);
    p.lastBit = {0, 0};
    p.lastDir = 0;
    movePlayer(p);
    EXPECT_EQ(p.body[0].x, 10);
    EXPECT_EQ(p.body[0].y, 10);
    EXPECT_EQ(p.body[0].dir, 0);
    EXPECT_EQ(p.lastBit.x, 10);
    EXPECT_EQ(p.lastBit.y, 10);
}

TEST(Move, ShiftsBodyAndRecordsShapes) {
    Player p = snakeAt(10, 10);
    stepTo(p, DIR_RIGHT); // from rest: straight
    EXPECT_EQ(p.body[0].x, 11);
    EXPECT_EQ(p.body[1].x, 10);
    EXPECT_EQ(p.body[1].dir, 4);
    EXPECT_EQ(p.body[0].dir, p.body[1].dir);
    stepTo(p, DIR_UP); // right then up
    EXPECT_EQ(p.body[0].y, 9);
    EXPECT_EQ(p.body[1].dir, 7);
    stepTo(p, DIR_RIGHT); // up then right
    EXPECT_EQ(p.body[1].dir, 6);
    EXPECT_EQ(p.body[2].dir, 7);
    EXPECT_EQ(p.body[3].dir, 4);
    EXPECT_EQ(p.lastBit.x, 10) << "a stacked start segment was vacated";
}

TEST(Move, EveryTurnGetsItsCorner) {
    struct Case {
        int from, to, shape;
    };
    const Case cases[] = {
        {DIR_RIGHT, DIR_DOWN, 5}, {DIR_UP, DIR_LEFT, 5},  {DIR_LEFT, DIR_DOWN, 6}, {DIR_UP, DIR_RIGHT, 6},
        {DIR_RIGHT, DIR_UP, 7},   {DIR_DOWN, DIR_LEFT, 7}, {DIR_LEFT, DIR_UP, 8},  {DIR_DOWN, DIR_RIGHT, 8},
        {DIR_DOWN, DIR_DOWN, 1},  {DIR_UP, DIR_UP, 2},     {DIR_LEFT, DIR_LEFT, 3}, {DIR_RIGHT, DIR_RIGHT, 4},
        {DIR_REST, DIR_UP, 2},    {DIR_REST, DIR_LEFT, 3},
    };
    for (const Case& c : cases) {
        Player p = snakeAt(30, 10);
        p.dir = c.to;
        p.lastDir = c.from;
        movePlayer(p);
        EXPECT_EQ(p.body[1].dir, c.shape) << "from " << c.from << " to " << c.to;
    }
}

TEST(Walls, OnlyTheBorderIsWall) {
    Player p = snakeAt(10, 10);
    const Point walls[] = {{0, 10}, {69, 10}, {10, 1}, {10, 19}};
    for (Point w : walls) {
        p.body[0].x = w.x;
        p.body[0].y = w.y;
        EXPECT_EQ(collided(p), 1) << w.x << "," << w.y;
        EXPECT_EQ(playerCollided(p, snakeAt(40, 10)), 1);
    }
    const Point free[] = {{1, 2}, {68, 18}, {68, 2}, {1, 18}};
    for (Point f : free) {
        p.body[0].x = f.x;
        p.body[0].y = f.y;
        EXPECT_EQ(collided(p), 0) << f.x << "," << f.y;
    }
}

TEST(Crash, OtherSnakesBodyButNotItsHead) {
    Player p = snakeAt(10, 10);
    Player q = snakeAt(20, 10);
    for (int i = 0; i < 4; i++) stepTo(q, DIR_RIGHT); // q's head at 24, body 20..23
    p.dir = DIR_RIGHT;
    p.body[0] = {22, 10, 0};
    EXPECT_EQ(playerCollided(p, q), 1);
    p.body[0] = {24, 10, 0};
    EXPECT_EQ(playerCollided(p, q), 0) << "heads on one cell are no crash";
    p.dir = DIR_REST;
    p.body[0] = {22, 10, 0};
    EXPECT_EQ(playerCollided(p, q), 0) << "a resting snake never crashes into another";
}

TEST(Eating, HeadOnAppleGrowsByACopyOfTheTail) {
    std::srand(7);
    Player p = snakeAt(10, 10);
    Player q = snakeAt(60, 10);
    for (int i = 0; i < 9; i++) stepTo(p, DIR_RIGHT);
    apple = {p.body[0].x, p.body[0].y};
    const BodyPart tail = p.body[7];
    checkEatApple(p, q);
    EXPECT_EQ(p.length, 9);
    EXPECT_EQ(p.score, 1);
    EXPECT_EQ(p.body[8].x, tail.x);
    EXPECT_EQ(p.body[8].y, tail.y);
    EXPECT_FALSE(apple.x == p.body[0].x && apple.y == p.body[0].y);

    // The next move keeps the tail in place for one move: one segment longer.
    stepTo(p, DIR_RIGHT);
    EXPECT_EQ(p.lastBit.x, tail.x);
    EXPECT_EQ(p.body[8].x, tail.x);
    EXPECT_EQ(p.body[7].x, tail.x + 1);
}

TEST(Eating, FirstArgumentEatsWhenBothHeadsReachTheApple) {
    std::srand(3);
    Player p = snakeAt(30, 10);
    Player q = snakeAt(30, 10);
    apple = {30, 10};
    checkEatApple(p, q);
    EXPECT_EQ(p.score, 1);
    EXPECT_EQ(q.score, 0) << "the apple moved before the second head was compared";
}

TEST(Eating, FullSnakeKeepsItsLength) {
    Player p = snakeAt(10, 10);
    Player q = snakeAt(60, 10);
    p.length = MAX_LENGTH;
    for (int i = 0; i < MAX_LENGTH; i++) p.body[i] = {1 + i % 68, 2 + i / 68, 3};
    apple = {p.body[0].x, p.body[0].y};
    checkEatApple(p, q);
    EXPECT_EQ(p.length, MAX_LENGTH);
    EXPECT_EQ(p.score, 1);
}

TEST(Apple, AlwaysInsideAndNeverOnASnake) {
    std::srand(12345);
    Player p = snakeAt(10, 10);
    Player q = snakeAt(60, 10);
    // Fill most of the interior so rejection has work to do.
    p.length = MAX_LENGTH;
    q.length = MAX_LENGTH;
    for (int i = 0; i < MAX_LENGTH; i++) {
        p.body[i] = {1 + i % 68, 2 + i / 68, 3};
        q.body[i] = {1 + (i + MAX_LENGTH) % 68, 2 + (i + MAX_LENGTH) / 68, 3};
    }
    for (int n = 0; n < 2000; n++) {
        nextApple(p, q);
        ASSERT_GE(apple.x, 1);
        ASSERT_LE(apple.x, 68);
        ASSERT_GE(apple.y, 2);
        ASSERT_LE(apple.y, 18);
        for (int i = 0; i < MAX_LENGTH; i++) {
            ASSERT_FALSE(apple.x == p.body[i].x && apple.y == p.body[i].y);
            ASSERT_FALSE(apple.x == q.body[i].x && apple.y == q.body[i].y);
        }
    }
}

TEST(Apple, SameSeedSameApple) {
    Player p = snakeAt(10, 10);
    Player q = snakeAt(60, 10);
    std::srand(99);
    nextApple(p, q);
    const Point first = apple;
    std::srand(99);
    nextApple(p, q);
    EXPECT_EQ(apple.x, first.x);
    EXPECT_EQ(apple.y, first.y);
}

} // namespace
