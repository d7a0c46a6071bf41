// The rules, the view and both games, played on the fake console.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "duel.h"
#include "fake_console.h"
#include "solo.h"
#include "view.h"

namespace {

using Keys = std::set<std::pair<int, int>>;
const std::string WALLS(174, '\xDB');

Player snake(int x, int y) { Player p{}; resetPlayer(p, x, y, COLOR_P1); return p; }
void step(Player& p, int dir) { p.lastDir = p.dir, steer(p, dir), movePlayer(p); }
Player headAt(Player p, int x, int y) { return p.body[0].x = x, p.body[0].y = y, p; }
// The cell nextApple tries first after srand(seed): x is drawn before y.
Point firstDraw(unsigned seed) { std::srand(seed); return {std::rand() % 68 + 1, std::rand() % 17 + 2}; }
void play(const Keys& keys, int (*game)() = runDuel, std::function<std::time_t(int)> clock = FakeConsole().clock) {
    fake = {}, fake.keys = keys, fake.clock = clock, sec = 0;
    EXPECT_EQ(game(), 0);
}
// A frame's writes and colour changes, in order.
std::string trace(int f) { std::string s; for (auto& w : fake.log) s += w.frame == f ? w.text : ""; return s; }
// Every write at (x, y), as "frame:text ".
std::string writesAt(int x, int y) {
    std::string s;
    for (auto& w : fake.log) s += w.x == x && w.y == y ? std::to_string(w.frame) + ":" + w.text + " " : "";
    return s;
}
std::string row(int y) { std::string s; for (auto c : fake.screen[y]) s += char(c.glyph); return s; }

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

TEST(View, GlyphsAndTheirStandIns) {
    const struct { unsigned char drawn, byte; char16_t character; char ascii; } table[] = {
        {shapeGlyph(0), 0x2A, u'*', '*'}, {shapeGlyph(1), 0xBA, u'║', '|'},  {shapeGlyph(2), 0xBA, u'║', '|'},
        {shapeGlyph(3), 0xCD, u'═', '-'}, {shapeGlyph(4), 0xCD, u'═', '-'},  {shapeGlyph(5), 0xBB, u'╗', '.'},
        {shapeGlyph(6), 0xC9, u'╔', '.'}, {shapeGlyph(7), 0xBC, u'╝', '\''}, {shapeGlyph(8), 0xC8, u'╚', '\''},
        {headGlyph(1), 0x1F, u'▼', 'v'},  {headGlyph(2), 0x1E, u'▲', '^'},   {headGlyph(3), 0x11, u'◄', '<'},
        {headGlyph(4), 0x10, u'►', '>'},  {GLYPH_WALL, 0xDB, u'█', 'X'},     {GLYPH_APPLE, 0x02, u'☻', '@'}};
    for (const auto& t : table)
        EXPECT_EQ(std::tuple(t.drawn, glyphForm(t.drawn).character, glyphForm(t.drawn).ascii),
                  std::tuple(t.byte, t.character, t.ascii));
}

TEST(View, SnakeErasesFirstDrawsTailLastThenHeadAndTableHeader) {
    fake = {};
    Player p = snake(10, 10), q = snake(60, 10);
    step(p, DIR_RIGHT), step(p, DIR_UP), p.score = 12, q.length = 130, q.score = 3, sec = 7;
    drawPlayer(p), drawTable(p, q);
    EXPECT_EQ(trace(0),
              "[11] \xBC\xCD*****\x1E[8]Length: 8  Score: 12          Time: 7          Length: 130  Score: 3" + WALLS);
    EXPECT_EQ(row(10).substr(10, 2), "*\xBC"); // the start cell was erased, then redrawn
    for (int y = 1; y <= 19; y++)
        for (int x = 0; x < 70; x++) EXPECT_EQ(row(y)[x] == '\xDB', x % 69 == 0 || y % 18 == 1) << x << "," << y;
}

TEST(Duel, FirstFrameReadoutsFlushesAndHeader) {
    play({{200, VKEY_ESCAPE}}, runDuel, [](int f) -> std::time_t { return 1000 + (f >= 11) + (f >= 20); });
    EXPECT_EQ(trace(0), "[14]\x02[11] *******[12] *******0[8]"
                        "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0" + WALLS);
    EXPECT_EQ(std::string({row(apple.y)[apple.x], row(10)[10], row(10)[60]}), "\x02**");
    EXPECT_EQ(writesAt(1, 21).substr(0, 50), "0:0 1:-1 2:-2 3:-3 4:-3 5:-2 6:-1 7:0 8:1 9:2 10:3");
    EXPECT_EQ(fake.sleeps.substr(0, 13), "0:1 9:1 10:2 ");
    EXPECT_EQ(fake.flushes, std::vector<int>(201, 1));
    EXPECT_EQ(writesAt(0, 20) + row(20).substr(0, 6), "11:12FPS 20:9FPS 9FPSS "); // 12FPS's S stays
    for (int f = 0; f <= 200; f++) EXPECT_EQ(trace(f).find("Length") != std::string::npos, f % 100 == 0) << f;
    EXPECT_EQ(row(0).substr(0, 66), "Length: 8  Score: 0          Time: 3          Length: 8  Score: 0 ");
}

TEST(Duel, OutcomesAndKeysOfOneFrame) {
    // Crash messages follow the last sleep readout; an Escape after the crashing move ends the game
    // silently. Keys are polled left, right, up, down: of two opposite keys the first is taken.
    const struct { Keys keys; int x, y; std::string text; int reads; } table[] = {
        {{{0, VKEY_LEFT}}, 0, 21, " 21Player 2 WIN ", 1},            // p1 into the left wall
        {{{0, VKEY_W}}, 0, 21, " 11Player 1 WIN ", 1},               // p2 into the top wall
        {{{0, VKEY_UP}, {0, VKEY_W}}, 0, 21, " 11Player 2 WIN ", 1}, // both in one frame
        {{{0, VKEY_A}}, 0, 21, " 42Player 1 WIN ", 1},               // p2 into the resting p1
        {{{14, VKEY_W}}, 0, 21, " 15Player 1 WIN ", 1},              // after a two-digit readout
        {{{0, VKEY_W}, {8, VKEY_ESCAPE}}, 0, 21, " 11 ", 0},
        {{{0, VKEY_LEFT}, {2, VKEY_UP}, {2, VKEY_DOWN}, {3, VKEY_ESCAPE}}, 8, 9, "\x1E", 0},
        {{{0, VKEY_UP}, {2, VKEY_LEFT}, {2, VKEY_RIGHT}, {3, VKEY_ESCAPE}}, 9, 8, "\x11", 0},
        {{{0, VKEY_A}, {2, VKEY_W}, {2, VKEY_S}, {3, VKEY_ESCAPE}}, 58, 9, "\x1E", 0},
        {{{0, VKEY_W}, {2, VKEY_A}, {2, VKEY_D}, {3, VKEY_ESCAPE}}, 59, 8, "\x11", 0}};
    for (const auto& t : table) {
        play(t.keys);
        EXPECT_EQ(std::pair(row(t.y).substr(t.x, t.text.size()), fake.reads), std::pair(t.text, t.reads));
    }
}

TEST(Duel, EatsInTheFrameWhoseMoveReachesTheApple) {
    unsigned s = 0; // clock seconds whose first apple lies on p1's row, right of it and left of p2
    while (firstDraw(s).y != 10 || firstDraw(s).x < 12 || firstDraw(s).x > 59) s++;
    play({{0, VKEY_RIGHT}, {firstDraw(s).x - 11, VKEY_ESCAPE}}, runDuel, [s](int) { return std::time_t(s); });
    EXPECT_NE(apple.x, firstDraw(s).x) << "the apple was still where p1's head arrived";
}

TEST(Solo, EatingFirstGrowsInTheSameMoveAndAvoidsTheSnakeBeforeIt) {
    const Point first = firstDraw(1);
    Player p{};
    resetPlayer(p, first.x - 11, first.y), steer(p, DIR_RIGHT), apple = {0, 0};
    for (int i = 0; i < 10; i++) solo::movePlayer(p); // trailed out: head at x - 1, tail at x - 10
    apple = {first.x - 1, first.y}, std::srand(1), solo::movePlayer(p); // the head moves onto the new apple
    EXPECT_EQ(std::vector({apple.x, apple.y, p.body[0].x, p.score, p.length, p.lastBit.x, p.body[10].x}),
              std::vector({first.x, first.y, first.x, 1, 11, first.x - 10, first.x - 10}));
}

TEST(Solo, FirstFrameFirstAppleAndGameOver) {
    int seeds = 0; // clock seconds whose first draw is the start cell
    for (unsigned s = 0; s < 30000; s++) {
        if (const Point first = firstDraw(s); first.x != 2 || first.y != 2) continue;
        seeds++, play({{0, VKEY_ESCAPE}}, solo::runSolo, [s](int) { return std::time_t(s); });
        EXPECT_EQ(trace(0), "# *********0Length: 10  Score: 0  Time: 1" + WALLS);
        EXPECT_EQ(std::tuple(row(2)[2], fake.log[0].x == 2 && fake.log[0].y == 2), std::tuple('*', false)) << s;
    }
    EXPECT_GT(seeds, 2);
    play({{0, VKEY_UP}}, solo::runSolo); // from (2, 2) the first move reaches the top wall
    EXPECT_EQ(std::pair(row(20).substr(0, 13), fake.reads), std::pair(std::string("   Game Over "), 1));
    for (const auto& r : fake.screen) EXPECT_TRUE(std::all_of(r, r + 80, [](auto c) { return c.color == -1; }));
}

} // namespace
