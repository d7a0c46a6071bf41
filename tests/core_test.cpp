// The rules, the view and both games, the games played on a fake console.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

#include "duel.h"
#include "platform.h"
#include "solo.h"
#include "view.h"

// The fake console: the screen's characters, and what each frame did in order:
// text, "[colour]", "(ms)" for a sleep, "|" for a flush. A frame ends at its
// Escape poll. Keys and clock are scripted by frame.
struct FakeConsole {
    std::vector<std::string> screen = std::vector<std::string>(25, std::string(80, ' '));
    std::vector<std::string> frames{""};
    int x = 0, y = 0, reads = 0;
    std::set<std::pair<int, int>> keys; // (frame, key): pressed in that frame
    std::function<std::time_t(int frame)> clock = [](int) { return std::time_t{1000}; };
} fake;

void gotoxy(int x, int y) { fake.x = x, fake.y = y; }
void setColor(short c) { fake.frames.back() += "[" + std::to_string(c) + "]"; }
void putText(const char* text) {
    fake.frames.back() += text;
    fake.screen.at(fake.y).replace(fake.x, std::strlen(text), text); // off the screen: throws, and the test fails
    fake.x += int(std::strlen(text));
}
void putGlyph(unsigned char glyph) { putText(std::string(1, char(glyph)).c_str()); }
void pauseWhileTooSmall() {}
void flushOutput() { fake.frames.back() += "|"; }
void sleepMs(int ms) { fake.frames.back() += "(" + std::to_string(ms) + ")"; }
// Escape also ends a game that outlives its script, so no test hangs.
int keyState(int vk) {
    const int frame = int(fake.frames.size()) - 1;
    if (vk == VKEY_ESCAPE) fake.frames.emplace_back();
    return fake.keys.count({frame, vk}) || (vk == VKEY_ESCAPE && frame >= 3000);
}
std::time_t clockSeconds() { return fake.clock(int(fake.frames.size()) - 1); }
int endPlayAndReadChar() { return fake.reads++, '\n'; }

namespace {

const std::string WALLS(174, '\xDB');

Player snake(int x, int y) {
    Player p{};
    resetPlayer(p, x, y, COLOR_P1);
    return p;
}
void step(Player& p, int dir) { p.lastDir = p.dir, steer(p, dir), movePlayer(p); }
Player headAt(Player p, int x, int y) { return p.body[0].x = x, p.body[0].y = y, p; }
// The cell nextApple tries first after srand(seed): x is drawn before y.
Point firstDraw(unsigned seed) {
    std::srand(seed);
    return {std::rand() % 68 + 1, std::rand() % 17 + 2};
}
void play(const std::set<std::pair<int, int>>& keys, int (*game)() = runDuel,
          decltype(fake.clock) clock = FakeConsole().clock) {
    fake = {}, fake.keys = keys, fake.clock = clock, sec = 0;
    EXPECT_EQ(game(), 0);
}

TEST(Board, SteeringAndTheShapeOfTheCellLeft) {
    std::string shapes; // for each direction before (0 to 4), the shape left by each request (1 to 4)
    for (int i = 0; i < 20; i++) {
        Player p = snake(30, 10);
        p.dir = p.lastDir = i / 4, steer(p, i % 4 + 1), movePlayer(p);
        shapes += char('0' + p.body[1].dir);
    }
    EXPECT_EQ(shapes, "1234"
                      "1178"
                      "2256"
                      "6833"
                      "5744"); // a reversal is ignored
}

TEST(Board, Crashes) {
    Player rest = snake(40, 10), run = snake(20, 10), ring = snake(5, 5);
    for (int i = 0; i < 4; i++) step(run, DIR_RIGHT); // head (24,10), body (23..20,10)
    growPlayer(ring);                                 // nine segments round a ring of eight cells
    for (int dir : {4, 4, 1, 1, 3, 3, 2, 2}) step(ring, dir);
    const std::pair<Player, Player> cases[] = {// the four walls, next to two of them, then the snakes
                                               {headAt(run, 0, 10), rest},  {headAt(run, 69, 10), rest},
                                               {headAt(run, 30, 1), rest},  {headAt(run, 30, 19), rest},
                                               {headAt(run, 68, 18), rest}, {rest, rest},
                                               {headAt(rest, 22, 10), run}, {run, run} /* heads on one cell */,
                                               {headAt(ring, 22, 10), run}, {ring, rest} /* on its own tail's tip */};
    std::string seen; // by the snake's own test, then by the test against the other
    for (const auto& [p, q] : cases) seen += std::to_string(collided(p)) + std::to_string(playerCollided(p, q)) + " ";
    EXPECT_EQ(seen, "11 11 11 11 00 00 00 00 01 10 ");
}

TEST(Board, AppleInsideAndOffEverySegment) {
    Player p = snake(0, 0), q = snake(0, 0);
    p.length = q.length = MAX_LENGTH;
    for (int i = 0; i < MAX_LENGTH; i++) // the first 510 interior cells, heads and tails included
        p.body[i] = {1 + i % 68, 2 + i / 68, 0}, q.body[i] = {1 + (i + 255) % 68, 2 + (i + 255) / 68, 0};
    auto taken = [](int x, int y) { return (y - 2) * 68 + x - 1 < 2 * MAX_LENGTH; };
    for (unsigned n = 0; n < 20000; n++) {
        std::srand(n), nextApple(p, q);
        ASSERT_TRUE(apple.x >= 1 && apple.x <= 68 && apple.y >= 2 && apple.y <= 18 && !taken(apple.x, apple.y)) << n;
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
    std::string ascii; // the bytes themselves show in the traces below
    std::u16string characters;
    for (int i = 0; i < 15; i++) { // the shapes 0 to 8, the heads 1 to 4, the wall and the apple
        const int g = i < 9 ? shapeGlyph(i) : i < 13 ? headGlyph(i - 8) : i == 13 ? +GLYPH_WALL : +GLYPH_APPLE;
        characters += glyphForm(g).character, ascii += glyphForm(g).ascii;
    }
    EXPECT_EQ(characters, u"*║║══╗╔╝╚▼▲◄►█☻");
    EXPECT_EQ(ascii, "*||--..''v^<>X@");
}

TEST(View, SnakeErasesFirstDrawsTailLastThenHeadAndTableHeader) {
    fake = {};
    Player p = snake(10, 10), q = snake(60, 10);
    step(p, DIR_RIGHT), step(p, DIR_UP), p.score = 12, q.length = 130, q.score = 3, sec = 7;
    drawPlayer(p), drawTable(p, q);
    EXPECT_EQ(fake.frames[0],
              "[11] \xBC\xCD*****\x1E[8]Length: 8  Score: 12          Time: 7          Length: 130  Score: 3" + WALLS);
    EXPECT_EQ(fake.screen[10].substr(10, 2), "*\xBC"); // the start cell was erased, then redrawn
    for (int y = 1; y <= 19; y++)
        for (int x = 0; x < 70; x++)
            EXPECT_EQ(fake.screen[y][x] == '\xDB', x % 69 == 0 || y % 18 == 1) << x << ',' << y;
}

TEST(Duel, FirstFrameReadoutsFlushesAndHeader) {
    play({{200, VKEY_ESCAPE}}, runDuel, [](int f) -> std::time_t { return 1000 + (f >= 11) + (f >= 20); });
    EXPECT_EQ(fake.frames[0], "[14]\x02[11] *******[12] *******|(1)0[8]"
                              "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0" +
                                  WALLS);
    EXPECT_EQ(std::string({fake.screen[apple.y][apple.x], fake.screen[10][10], fake.screen[10][60]}), "\x02**");
    std::string readouts; // what each frame sleeps and writes after its one flush
    for (int f = 1; f <= 20; f++) readouts += fake.frames[f].substr(fake.frames[f].find('|') + 1) + " ";
    EXPECT_EQ(readouts, "-1 -2 -3 -3 -2 -1 0 1 (1)2 (2)3 (3)12FPS2 (2)1 (1)0 -1 -2 -2 -1 0 1 (1)9FPS0 ");
    EXPECT_EQ(fake.screen[20].substr(0, 6), "9FPSS "); // 12FPS's S stays
    for (int f = 0; f <= 200; f++) EXPECT_EQ(fake.frames[f].find("Length") != std::string::npos, f % 100 == 0) << f;
    EXPECT_EQ(fake.screen[0].substr(0, 66), "Length: 8  Score: 0          Time: 3          Length: 8  Score: 0 ");
}

TEST(Duel, OutcomesAndKeysOfOneFrame) {
    // Crash messages follow the last sleep readout; an Escape after the crashing move ends the game
    // silently. Keys are polled left, right, up, down: of two opposite keys the first is taken.
    const struct {
        std::set<std::pair<int, int>> keys;
        int x, y;
        std::string text;
    } table[] = {
        {{{0, VKEY_LEFT}}, 0, 21, " 21Player 2 WIN "},            // p1 into the left wall
        {{{0, VKEY_W}}, 0, 21, " 11Player 1 WIN "},               // p2 into the top wall
        {{{0, VKEY_UP}, {0, VKEY_W}}, 0, 21, " 11Player 2 WIN "}, // both in one frame
        {{{0, VKEY_A}}, 0, 21, " 42Player 1 WIN "},               // p2 into the resting p1
        {{{14, VKEY_W}}, 0, 21, " 15Player 1 WIN "},              // after a two-digit readout
        {{{0, VKEY_W}, {8, VKEY_ESCAPE}}, 0, 21, " 11 "},
        {{{0, VKEY_LEFT}, {0, VKEY_A}, {2, VKEY_UP}, {2, VKEY_DOWN}, {2, VKEY_W}, {2, VKEY_S}, {3, VKEY_ESCAPE}},
         8,
         9,
         "\x1E" + std::string(49, ' ') + "\x1E"},
        {{{0, VKEY_UP}, {0, VKEY_W}, {2, VKEY_LEFT}, {2, VKEY_RIGHT}, {2, VKEY_A}, {2, VKEY_D}, {3, VKEY_ESCAPE}},
         9,
         8,
         "\x11\xBB" + std::string(48, ' ') + "\x11"}};
    for (const auto& t : table) {
        play(t.keys);
        EXPECT_EQ(std::pair(fake.screen[t.y].substr(t.x, t.text.size()), fake.reads),
                  std::pair(t.text, int(t.text.find("WIN") != std::string::npos))); // Enter awaited after a win
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
    for (int i = 0; i < 10; i++) solo::movePlayer(p);                   // trailed out: head at x - 1, tail at x - 10
    apple = {first.x - 1, first.y}, std::srand(1), solo::movePlayer(p); // the head moves onto the new apple
    EXPECT_EQ(std::vector({apple.x, apple.y, p.body[0].x, p.score, p.length, p.lastBit.x, p.body[10].x}),
              std::vector({first.x, first.y, first.x, 1, 11, first.x - 10, first.x - 10}));
}

TEST(Solo, FirstFrameFirstAppleAndGameOver) {
    unsigned s = 0; // clock seconds whose first draw is the start cell: the apple must go elsewhere
    while (firstDraw(s).x != 2 || firstDraw(s).y != 2) s++;
    play({{0, VKEY_ESCAPE}}, solo::runSolo, [s](int) { return std::time_t(s); });
    EXPECT_EQ(fake.frames[0], "# *********|(1)0Length: 10  Score: 0  Time: 1" + WALLS);
    std::string board;
    for (int y = 2; y <= 18; y++) board += fake.screen[y];
    EXPECT_EQ(std::pair(int(std::count(board.begin(), board.end(), '#')), board[2]), std::pair(1, '*'));
    play({{0, VKEY_UP}}, solo::runSolo); // from (2, 2) the first move reaches the top wall
    EXPECT_EQ(std::pair(fake.screen[20].substr(0, 13), fake.reads), std::pair(std::string("   Game Over "), 1));
    for (const auto& frame : fake.frames) EXPECT_EQ(frame.find('['), std::string::npos) << "a colour was set";
}

} // namespace
