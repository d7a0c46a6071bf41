// One two-player frame in steady play (each snake goes round a closed path
// over its half of the board, so neither crashes nor eats), at snake lengths
// 8, 64 and 255: the core, the view and the screen model's encoding into
// memory. The counter gives the bytes a frame sends.
#include <benchmark/benchmark.h>

#include <ctime>

#include "board.h"
#include "frame.h"
#include "platform.h"
#include "screen.h"
#include "view.h"

namespace {

screen::Model model;
char out[screen::OUT_MAX];
long long sentBytes = 0;
int frameCount = 0;

// Along its top row, then down and up the other columns in turn, then back up the first.
constexpr int REGION_W = 34;
constexpr int REGION_H = 16; // even, so the path closes
int nextDir[MAP_HEIGHT + 2][MAP_WIDTH];

void buildPath(int left) {
    for (int r = 0; r < REGION_H; r++) {
        for (int c = 0; c < REGION_W; c++) {
            int dir = r % 2 == 1 ? DIR_LEFT : DIR_RIGHT;
            if (r == 0 || r % 2 == 0) dir = c == REGION_W - 1 ? DIR_DOWN : DIR_RIGHT;
            if (r % 2 == 1 && c == 1 && r != REGION_H - 1) dir = DIR_DOWN;
            if (c == 0 && r > 0) dir = DIR_UP;
            nextDir[2 + r][left + c] = dir;
        }
    }
}

void frame(Player& p1, Player& p2, FramePacer& pacer) {
    drawApple();
    drawPlayer(p1);
    drawPlayer(p2);
    flushOutput();
    pacerStep(pacer);
    if (++pacer.tick % 100 == 0) {
        sec++;
        drawTable(p1, p2);
    }
    for (Player* p : {&p1, &p2}) {
        p->lastDir = p->dir;
        steer(*p, nextDir[p->body[0].y][p->body[0].x]);
        movePlayer(*p);
    }
    frameCount++;
}

void Frame(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    screen::reset(model, false);
    screen::invalidate(model, 80, 24);
    buildPath(1);
    buildPath(1 + REGION_W);
    Player p1{};
    Player p2{};
    FramePacer pacer{};
    resetPlayer(p1, 1, 2, COLOR_P1);
    resetPlayer(p2, 1 + REGION_W, 2, COLOR_P2);
    apple = {REGION_W, MAP_HEIGHT - 1}; // on the row below both paths
    startPacer(pacer);
    // Grow to length, then once round the path so every segment has moved.
    for (int i = 0; i < length + REGION_W * REGION_H; i++) {
        if (p1.length < length) growPlayer(p1);
        if (p2.length < length) growPlayer(p2);
        frame(p1, p2, pacer);
    }
    const long long bytes0 = sentBytes;
    for (auto _ : state) frame(p1, p2, pacer);
    if (collided(p1) || collided(p2) || playerCollided(p1, p2) || playerCollided(p2, p1)) {
        state.SkipWithError("a snake crashed: not steady play");
    }
    state.counters["bytes/frame"] = static_cast<double>(sentBytes - bytes0) / static_cast<double>(state.iterations());
}

BENCHMARK(Frame)->Arg(8)->Arg(64)->Arg(255);

} // namespace

// The console, into memory.
bool consoleOpen(int, int) { return true; }
void consoleClose() {}
void gotoxy(int x, int y) { screen::moveTo(model, x, y); }
void setColor(short color) { screen::setColor(model, color); }
void putText(const char* text) {
    while (*text != '\0') screen::put(model, static_cast<unsigned char>(*text++));
}
void putGlyph(unsigned char glyph) { screen::put(model, glyph); }
void pauseWhileTooSmall() {}
void flushOutput() { sentBytes += static_cast<long long>(screen::flush(model, out, false)); }
void sleepMs(int) {}
std::time_t clockSeconds() { return 1000 + frameCount / 11; } // eleven frames a second
int keyState(int) { return 0; }
int endPlayAndReadChar() { return '\n'; }

BENCHMARK_MAIN();
