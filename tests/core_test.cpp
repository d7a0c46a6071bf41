// The rules of the board, table by table.
#include <gtest/gtest.h>

#include <cstdlib>

#include "board.h"
#include "view.h"

namespace {

Player snake(int x, int y) { Player p{}; resetPlayer(p, x, y, COLOR_P1); return p; }
void step(Player& p, int dir) { p.lastDir = p.dir, steer(p, dir), movePlayer(p); }
Player headAt(Player p, int x, int y) { return p.body[0].x = x, p.body[0].y = y, p; }
// The cell nextApple tries first after srand(seed): x is drawn before y.
Point firstDraw(unsigned seed) { std::srand(seed); return {std::rand() % 68 + 1, std::rand() % 17 + 2}; }

TEST(Board, SteeringAndTheShapeOfTheCellLeft) {
    // {dir before, requested, shape}: corners, straights, then reversals, which are ignored.
    const int table[][3] = {{4, 1, 5}, {2, 3, 5}, {3, 1, 6}, {2, 4, 6}, {4, 2, 7}, {1, 3, 7}, {3, 2, 8}, {1, 4, 8},
                            {0, 1, 1}, {1, 1, 1}, {0, 2, 2}, {2, 2, 2}, {0, 3, 3}, {3, 3, 3}, {0, 4, 4}, {4, 4, 4},
                            {1, 2, 1}, {2, 1, 2}, {3, 4, 3}, {4, 3, 4}};
    for (auto [before, requested, shape] : table) {
        Player p = snake(30, 10);
        p.dir = p.lastDir = before, steer(p, requested), movePlayer(p);
        EXPECT_EQ(p.body[1].dir, shape) << before << " then " << requested;
    }
}

TEST(Board, Crashes) {
    Player rest = snake(40, 10), run = snake(20, 10), ring = snake(5, 5);
    for (int i = 0; i < 4; i++) step(run, DIR_RIGHT); // head (24,10), body (23..20,10)
    growPlayer(ring);                                   // nine segments round a ring of eight cells
    for (int dir : {4, 4, 1, 1, 3, 3, 2, 2}) step(ring, dir);
    const struct { Player p, q; int own, withQ; } table[] = {
        {headAt(run, 0, 10), rest, 1, 1},  {headAt(run, 69, 10), rest, 1, 1}, {headAt(run, 30, 1), rest, 1, 1},
        {headAt(run, 30, 19), rest, 1, 1}, {headAt(run, 68, 18), rest, 0, 0}, {rest, rest, 0, 0},
        {headAt(rest, 22, 10), run, 0, 0}, {run, run, 0, 0} /* heads on one cell */,
        {headAt(ring, 22, 10), run, 0, 1}, {ring, rest, 1, 0} /* head on its own tail's tip */};
    for (const auto& t : table)
        EXPECT_EQ(std::pair(collided(t.p), playerCollided(t.p, t.q)), std::pair(t.own, t.withQ)) << &t - table;
}

TEST(Board, AppleInsideAndOffEverySegment) {
    Player p = snake(0, 0), q = snake(0, 0);
    p.length = q.length = MAX_LENGTH;
    for (int i = 0; i < MAX_LENGTH; i++) // the first 510 interior cells, heads and tails included
        p.body[i] = {1 + i % 68, 2 + i / 68, 0}, q.body[i] = {1 + (i + 255) % 68, 2 + (i + 255) / 68, 0};
    auto taken = [](int x, int y) { return (y - 2) * 68 + x - 1 < 2 * MAX_LENGTH; };
    for (unsigned n = 0; n < 20000; n++) {
        const Point first = firstDraw(n);
        std::srand(n), nextApple(p, q);
        ASSERT_TRUE(apple.x >= 1 && apple.x <= 68 && apple.y >= 2 && apple.y <= 18 && !taken(apple.x, apple.y)) << n;
        ASSERT_TRUE(taken(first.x, first.y) || (apple.x == first.x && apple.y == first.y)) << n; // a free cell is kept
    }
}

TEST(Board, EatingScoresTheEaterAndGrowsByItsTail) {
    Player a = snake(10, 10), b = snake(10, 10), c = snake(30, 10);
    apple = {10, 10}, checkEatApple(a, b); // the apple moves before b's head is compared
    EXPECT_EQ(std::vector({a.score, a.length, b.score, b.length}), std::vector({1, 9, 0, 8}));
    for (int i = 0; i < 3; i++) step(c, DIR_RIGHT);
    apple = {33, 10}, checkEatApple(a, c);
    EXPECT_EQ(std::vector({a.score, c.score, c.length, c.body[8].x, c.body[8].y}), std::vector({1, 1, 9, 30, 10}));
    c.length = MAX_LENGTH - 1; // grows to 255, then stays: an entry past index 254 would land on color
    for (int i = 0; i < 2; i++) apple = {33, 10}, checkEatApple(a, c);
    EXPECT_EQ(std::vector({c.score, c.length, int(c.color)}), std::vector({3, MAX_LENGTH, int(COLOR_P1)}));
}

} // namespace
