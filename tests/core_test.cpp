// The rules, the view and both games, the games played on a fake console.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "duel.h"
#include "platform.h"
#include "solo.h"
#include "view.h"

// The fake console: the screen as characters, and each frame's calls in order:
// text as shown, "[colour]", "(ms)" a sleep, "~" the too-small pause, "|" a
// flush. A frame ends at its Escape poll. Keys and clock are scripted by frame.
struct FakeConsole {
    std::vector<std::u32string> rows = std::vector<std::u32string>(24, std::u32string(80, U' '));
    std::vector<std::string> frames{""};
    int x = 0;
    int y = 0;
    int reads = 0;
    std::set<std::pair<int, int>> keys; // (frame, key): pressed in that frame
    std::time_t (*clock)(int frame) = [](int) { return std::time_t{1000}; };
} fake;

// Every character the games show beyond ASCII takes three bytes in UTF-8.
static std::string utf8(std::u32string text) {
    std::string bytes;
    for (const char32_t c : text) {
        if (c < 0x80) {
            bytes += char(c);
        } else {
            bytes += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        }
    }
    return bytes;
}

void gotoxy(int x, int y) {
    fake.x = x;
    fake.y = y;
}
void setColor(short c) {
    const std::map<short, std::string> names = {{8, "grey"}, {11, "cyan"}, {12, "red"}, {14, "yellow"}};
    fake.frames.back() += "[" + (names.count(c) ? names.at(c) : std::to_string(c)) + "]";
}
void putGlyph(unsigned char glyph) {
    const char32_t c = glyphForm(glyph).character;
    fake.rows.at(fake.y).at(fake.x) = c; // off the screen: throws, and the test fails
    fake.x++;
    fake.frames.back() += utf8({c});
}
void putText(const char* text) {
    while (*text != '\0') putGlyph(*text++);
}
void pauseWhileTooSmall() { fake.frames.back() += "~"; }
void flushOutput() { fake.frames.back() += "|"; }
void sleepMs(int ms) { fake.frames.back() += "(" + std::to_string(ms) + ")"; }
// Escape also ends a game that outlives its script, so no test hangs.
int keyState(int vk) {
    const int frame = int(fake.frames.size()) - 1;
    if (vk == VKEY_ESCAPE) fake.frames.emplace_back();
    return fake.keys.count({frame, vk}) || (vk == VKEY_ESCAPE && frame >= 3000);
}
std::time_t clockSeconds() { return fake.clock(int(fake.frames.size()) - 1); }
int endPlayAndReadChar() {
    fake.reads++;
    return '\n';
}

namespace {

// The screen's rows from top to bottom, columns x to x + width - 1, one line each.
std::string picture(int x, int top, int bottom, int width) {
    std::string lines;
    for (int y = top; y <= bottom; y++) lines += utf8(fake.rows[y].substr(x, width) + U"\n");
    return lines;
}

Player snake(int x, int y) {
    Player p{};
    resetPlayer(p, x, y, COLOR_P1);
    return p;
}

void step(Player& p, int dir) {
    p.lastDir = p.dir;
    steer(p, dir);
    movePlayer(p);
}

Player headAt(Player p, int x, int y) {
    p.body[0].x = x;
    p.body[0].y = y;
    return p;
}

// The header's clock as a program starts with it: each game here starts from it too.
const std::int32_t SEC_AT_START = sec;

void play(const std::set<std::pair<int, int>>& keys, int (*game)() = runDuel,
          std::time_t (*clock)(int frame) = FakeConsole().clock) {
    fake = {};
    fake.keys = keys;
    fake.clock = clock;
    sec = SEC_AT_START;
    EXPECT_EQ(game(), 0);
}

// The cell nextApple tries in its try-th draw after srand(seed): x is drawn before y.
Point draw(unsigned seed, int tries = 1) {
    std::srand(seed);
    Point cell{};
    for (int i = 0; i < tries; i++) {
        cell.x = std::rand() % 68 + 1;
        cell.y = std::rand() % 17 + 2;
    }
    return cell;
}

TEST(Board, SteeringTurnsButNeverReversesAndEachTurnLeavesItsCorner) {
    fake = {};
    Player p = snake(10, 4);
    for (int i = 0; i < 9; i++) growPlayer(p); // seventeen: the tail ends on the start cell
    // One request a move, by the directions' initials; the 2nd, 4th, 11th and 15th reverse, and are ignored.
    for (const char asked : std::string("RLDULDRRRUDRULRU")) step(p, int(std::string(" DULR").find(asked)));
    drawSnake(p);
    EXPECT_EQ(picture(10, 3, 7, 6), "   ▲  \n"
                                    "══╗╚═╗\n"
                                    "  ║ ╔╝\n"
                                    " ╔╝ ║ \n"
                                    " ╚══╝ \n");
}

TEST(Board, CrashesIntoWallsAndBodies) {
    Player rest = snake(40, 10);
    Player run = snake(20, 10);
    for (int i = 0; i < 8; i++) step(run, DIR_RIGHT); // head (28, 10), body (27..21, 10)
    Player up = snake(30, 14);
    step(up, DIR_UP);
    step(up, DIR_UP); // head (30, 12), neck (30, 13), the rest stacked on (30, 14)
    const struct {
        const char* name;
        Player p, other;
        int own, againstOther; // collided(p), playerCollided(p, other)
    } cases[] = {
        {"right wall (the others: the games' outcomes)", headAt(run, 69, 10), rest, 1, 1},
        {"beside the right and bottom walls", headAt(run, 68, 18), rest, 0, 0},
        {"at rest on its stacked segments", rest, rest, 0, 0},
        {"at rest on the other's body", headAt(rest, 22, 10), run, 0, 0},
        {"heads on one cell", run, run, 0, 0},
        {"on the other's neck", headAt(run, 30, 13), up, 0, 1},
        {"on its own neck", headAt(run, 27, 10), rest, 1, 0},
        {"on its own tail's tip", headAt(run, 21, 10), rest, 1, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(collided(c.p), c.own) << c.name;
        EXPECT_EQ(playerCollided(c.p, c.other), c.againstOther) << c.name;
    }
}

TEST(Board, AppleFallsInsideAndOffEverySegment) {
    Player p = snake(0, 0);
    Player q = snake(0, 0);
    p.length = MAX_LENGTH;
    q.length = MAX_LENGTH;
    for (int i = 0; i < MAX_LENGTH; i++) { // the first 510 interior cells, heads and tails included
        p.body[i] = {1 + i % 68, 2 + i / 68, 0};
        q.body[i] = {1 + (i + MAX_LENGTH) % 68, 2 + (i + MAX_LENGTH) / 68, 0};
    }
    for (unsigned seed = 0; seed < 20000; seed++) {
        std::srand(seed);
        nextApple(p, q);
        const bool inside = apple.x >= 1 && apple.x <= 68 && apple.y >= 2 && apple.y <= 18;
        ASSERT_TRUE(inside && (apple.y - 2) * 68 + apple.x - 1 >= 2 * MAX_LENGTH)
            << "seed " << seed << ": apple at " << apple.x << "," << apple.y;
    }
}

TEST(Board, EatingScoresTheEaterAndGrowsByItsTail) {
    Player a = snake(10, 13); // on the apple's row, not its cell
    Player b = snake(30, 10);
    for (int i = 0; i < 3; i++) step(b, DIR_DOWN);
    apple = {30, 13};
    checkEatApple(a, b);
    EXPECT_EQ(std::vector({a.score, b.score, b.length, b.body[8].y}), std::vector({0, 1, 9, 10}))
        << "the second snake eats; its new tail copies the old one";
    EXPECT_FALSE(apple.x == 30 && apple.y == 13) << "a new apple";
    b = a;
    apple = {10, 13};
    checkEatApple(a, b);
    EXPECT_EQ(std::vector({a.score, b.score}), std::vector({1, 0})) << "the apple moves before the second head is seen";
    b.length = 254;
    for (int i = 0; i < 2; i++) {
        apple = {10, 13};
        checkEatApple(b, a);
    }
    movePlayer(b);
    EXPECT_EQ(b.length, 255) << "grows to 255, then stays: an entry past index 254 would land on color";
    EXPECT_EQ(b.color, COLOR_P1);
}

TEST(View, SnakeErasesFirstAndDrawsTailLastThenTheHeader) {
    fake = {};
    Player p = snake(10, 10);
    Player q = snake(60, 10);
    step(p, DIR_RIGHT);
    step(p, DIR_UP);
    p.score = 12;
    q.length = 130;
    q.score = 3;
    sec = 7;
    drawPlayer(p);
    drawTable(p, q);
    EXPECT_EQ(picture(10, 9, 10, 2), " ▲\n*╝\n") << "the start cell was erased, then redrawn by the tail";
    EXPECT_EQ(picture(0, 0, 0, 70), "Length: 8  Score: 12          Time: 7          Length: 130  Score: 3  \n");
    EXPECT_EQ(picture(0, 1, 3, 3), "███\n█  \n█  \n") << "top left corner";
    EXPECT_EQ(picture(67, 18, 20, 3), "  █\n███\n   \n") << "bottom right corner";
}

TEST(Duel, FirstFramesReadoutsAndHeader) {
    play({{200, VKEY_ESCAPE}}, runDuel, [](int frame) -> std::time_t { return 1000 + (frame >= 11) + (frame >= 20); });
    EXPECT_EQ(fake.frames[0], "[yellow]☻[cyan] *******[red] *******~|(1)0[grey]"
                              "Length: 8  Score: 0          Time: 1          Length: 8  Score: 0" +
                                  utf8(std::u32string(174, U'█')));
    EXPECT_EQ(utf8({fake.rows[apple.y][apple.x], fake.rows[10][10], fake.rows[10][60]}), "☻**");
    std::string readouts; // what each frame sleeps and writes after its flush
    for (int f = 1; f <= 20; f++) readouts += fake.frames[f].substr(fake.frames[f].find('|') + 1) + " ";
    EXPECT_EQ(readouts, "-1 -2 -3 -3 -2 -1 0 1 (1)2 (2)3 (3)12FPS2 (2)1 (1)0 -1 -2 -2 -1 0 1 (1)9FPS0 ");
    EXPECT_EQ(picture(0, 20, 20, 6), "9FPSS \n") << "a shorter readout leaves the longer one's end";
    for (int f = 0; f <= 200; f++) {
        EXPECT_EQ(fake.frames[f].find("Length") != std::string::npos, f % 100 == 0) << "header in frame " << f;
    }
    EXPECT_EQ(picture(0, 0, 0, 66), "Length: 8  Score: 0          Time: 3          Length: 8  Score: 0 \n");
}

TEST(Duel, OutcomesAndTheKeysOfOneFrame) {
    const std::u32string gap(49, ' ');
    const struct {
        const char* name;
        std::set<std::pair<int, int>> keys; // (frame, key)
        int x, y;
        std::u32string shows;
    } cases[] = {
        {"player 1 into the left wall", {{0, VKEY_LEFT}}, 0, 21, U" 21Player 2 WIN "},
        {"player 2 into the top wall", {{0, VKEY_W}}, 0, 21, U" 11Player 1 WIN "},
        {"both crash in one frame", {{0, VKEY_UP}, {0, VKEY_W}}, 0, 21, U" 11Player 2 WIN "},
        {"player 2 into the resting player 1", {{0, VKEY_A}}, 0, 21, U" 42Player 1 WIN "},
        {"player 1 into the resting player 2", {{0, VKEY_RIGHT}}, 0, 21, U" 42Player 2 WIN "},
        {"after a two-digit readout", {{14, VKEY_W}}, 0, 21, U" 15Player 1 WIN "},
        {"player 2 down into the bottom wall", {{0, VKEY_S}}, 0, 21, U" 11Player 1 WIN "},
        {"player 1 runs right, its tail erased behind it",
         {{0, VKEY_RIGHT}, {12, VKEY_ESCAPE}},
         9,
         10,
         U"      ═══════► "},
        {"Escape after the crashing move", {{0, VKEY_W}, {8, VKEY_ESCAPE}}, 0, 21, U" 11 "},
        {"up and down together: up, then down is its opposite",
         {{0, VKEY_LEFT}, {0, VKEY_A}, {2, VKEY_UP}, {2, VKEY_DOWN}, {2, VKEY_W}, {2, VKEY_S}, {3, VKEY_ESCAPE}},
         8,
         9,
         U"▲" + gap + U"▲"},
        {"left and right together: left, then right is its opposite",
         {{0, VKEY_UP}, {0, VKEY_W}, {2, VKEY_LEFT}, {2, VKEY_RIGHT}, {2, VKEY_A}, {2, VKEY_D}, {3, VKEY_ESCAPE}},
         9,
         8,
         U"◄╗" + gap.substr(1) + U"◄"},
    };
    for (const auto& c : cases) {
        play(c.keys);
        EXPECT_EQ(picture(c.x, c.y, c.y, int(c.shows.size())), utf8(c.shows + U"\n")) << c.name;
        EXPECT_EQ(fake.reads, int(c.shows.find(U"WIN") != c.shows.npos)) << c.name << ": Enter awaited after a win";
    }
}

TEST(Duel, EatsInTheFrameWhoseMoveReachesTheApple) {
    // Clock seconds whose first apple lies on p1's row, nine cells or more right of it and left of p2.
    static unsigned seed = 0;
    while (draw(seed).y != 10 || draw(seed).x < 20 || draw(seed).x > 59) seed++;
    const int x = draw(seed).x;
    play({{0, VKEY_RIGHT}, {x - 9, VKEY_ESCAPE}}, runDuel, [](int) { return std::time_t(seed); });
    EXPECT_EQ(picture(x - 8, 10, 10, 10), " ════════►\n") << "a move after the apple's cell, p1 is nine long";
}

TEST(Solo, EatingFirstGrowsInTheSameMoveAndAvoidsTheSnakeBeforeIt) {
    const Point first = draw(1);
    Player p{};
    resetPlayer(p, first.x - 11, first.y);
    steer(p, DIR_RIGHT);
    apple = {0, first.y};                             // on the snake's row, never under its head
    for (int i = 0; i < 10; i++) solo::movePlayer(p); // trailed out: head at x - 1, tail at x - 10
    apple = {first.x - 1, first.y};
    std::srand(1);
    solo::movePlayer(p); // eats, and the new apple lands on the cell the head then enters
    EXPECT_EQ(apple.x, first.x);
    EXPECT_EQ(apple.y, first.y);
    EXPECT_EQ(p.body[0].x, first.x);
    EXPECT_EQ(p.score, 1);
    EXPECT_EQ(p.length, 11);
    EXPECT_EQ(p.lastBit.x, first.x - 10) << "the grown entry was the vacated cell";
    EXPECT_EQ(p.body[10].x, first.x - 10) << "and the old tail fills it";
}

TEST(Solo, FirstFrameFirstAppleAndGameOver) {
    static unsigned seed = 0; // clock seconds whose first draw is the start cell: the apple must go elsewhere
    while (draw(seed).x != 2 || draw(seed).y != 2) seed++;
    const Point second = draw(seed, 2);
    play({{0, VKEY_ESCAPE}}, solo::runSolo, [](int) { return std::time_t(seed); });
    EXPECT_EQ(fake.frames[0], "# *********~|(1)0Length: 10  Score: 0  Time: 1" + utf8(std::u32string(174, U'█')));
    EXPECT_EQ(picture(0, 0, 1, 31), "Length: 10  Score: 0  Time: 1  \n"
                                    "███████████████████████████████\n");
    EXPECT_EQ(picture(0, 2, 2, 3), "█ *\n") << "the whole snake on its start cell";
    EXPECT_EQ(picture(second.x, second.y, second.y, 1), "#\n") << "the apple is the second draw";
    play({{0, VKEY_UP}}, solo::runSolo); // from (2, 2) the first move reaches the top wall
    EXPECT_EQ(picture(2, 1, 2, 1), "▲\n*\n") << "the head in the wall";
    EXPECT_EQ(picture(0, 20, 20, 13), "   Game Over \n");
    EXPECT_EQ(fake.reads, 1) << "Enter awaited";
    for (const std::string& frame : fake.frames) EXPECT_EQ(frame.find('['), std::string::npos) << "a colour was set";
}

} // namespace
