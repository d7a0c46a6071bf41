// One two-player frame in steady play (both snakes moving round closed
// paths, so neither crashes nor eats), at snake lengths 8, 64 and 255: the
// core, the view and the terminal's encoding into memory. Counters give the
// bytes and sink calls (write calls) a frame produces.
//
//   Frame/N          through the screen model, as the terminal now sends
//   FrameStraight/N  every call encoded straight through, as before the model
//   FrameNoOutput/N  the console calls do nothing: core and view alone
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>

#include "board.h"
#include "frame.h"
#include "platform.h"
#include "screen.h"
#include "view.h"

namespace {

enum class Mode { Model, Straight, NoOutput };

Mode mode = Mode::Model;
screen::Model model;
long long sentBytes = 0;
long long sentWrites = 0;
char straight[1 << 16];
std::size_t straightSize = 0;
int frameCount = 0;

void countSink(void*, const char*, std::size_t size) {
    sentBytes += static_cast<long long>(size);
    sentWrites++;
}

void append(const char* data, std::size_t size) {
    std::memcpy(straight + straightSize, data, size);
    straightSize += size;
}

// Each snake goes round a closed path covering its half of the board: along
// its top row, then up and down the other columns, then back up the first.
constexpr int REGION_W = 34;
constexpr int REGION_H = 16; // even, so the path closes
int nextDir[MAP_HEIGHT + 2][MAP_WIDTH];

void buildPath(int left) {
    const int top = 2;
    for (int r = 0; r < REGION_H; r++) {
        for (int c = 0; c < REGION_W; c++) {
            int dir;
            if (r == 0) {
                dir = c == REGION_W - 1 ? DIR_DOWN : DIR_RIGHT;
            } else if (c == 0) {
                dir = DIR_UP;
            } else if (r % 2 == 1) {
                // going left; at the left end step down, or home on the last row
                dir = c > 1 ? DIR_LEFT : (r == REGION_H - 1 ? DIR_LEFT : DIR_DOWN);
            } else {
                dir = c < REGION_W - 1 ? DIR_RIGHT : DIR_DOWN;
            }
            nextDir[top + r][left + c] = dir;
        }
    }
}

struct Game {
    Player p1, p2;
    FramePacer pacer;
    bool crashed;
};

void steerAlong(Player& p) {
    p.lastDir = p.dir;
    steer(p, nextDir[p.body[0].y][p.body[0].x]);
}

// The two-player frame loop's body, steering along the paths.
void frame(Game& g) {
    drawApple();
    drawPlayer(g.p1);
    drawPlayer(g.p2);
    if (collided(g.p1) || playerCollided(g.p1, g.p2) || collided(g.p2) || playerCollided(g.p2, g.p1)) {
        g.crashed = true;
    }
    pacerStep(g.pacer);
    if (countFrame(g.pacer)) drawTable(g.p1, g.p2);
    steerAlong(g.p1);
    steerAlong(g.p2);
    movePlayer(g.p1);
    movePlayer(g.p2);
    checkEatApple(g.p1, g.p2);
    frameCount++;
}

void startGame(Game& g, int length) {
    screen::reset(model, 80, 24, {countSink, nullptr});
    straightSize = 0;
    frameCount = 0;
    sec = 0;
    buildPath(1);
    buildPath(1 + REGION_W);
    g = Game{};
    g.pacer.tick = 99;
    resetPlayer(g.p1, 1, 2, COLOR_P1);
    resetPlayer(g.p2, 1 + REGION_W, 2, COLOR_P2);
    apple = {REGION_W, MAP_HEIGHT - 1}; // on the row below both paths
    startPacer(g.pacer);
    // Grow to length, then go once round the path so every segment has moved.
    for (int i = 0; i < length + REGION_W * REGION_H; i++) {
        if (g.p1.length < length) growPlayer(g.p1);
        if (g.p2.length < length) growPlayer(g.p2);
        frame(g);
    }
}

void run(benchmark::State& state, Mode m) {
    mode = m;
    Game g;
    startGame(g, static_cast<int>(state.range(0)));
    if (g.p1.length != state.range(0) || g.p2.length != state.range(0) || g.crashed) {
        state.SkipWithError("snakes not in steady play");
        return;
    }
    const long long bytes0 = sentBytes;
    const long long writes0 = sentWrites;
    for (auto _ : state) {
        frame(g);
        benchmark::DoNotOptimize(model.outSize);
    }
    if (g.crashed) state.SkipWithError("a snake crashed");
    const double frames = static_cast<double>(state.iterations());
    state.counters["bytes/frame"] = static_cast<double>(sentBytes - bytes0) / frames;
    state.counters["writes/frame"] = static_cast<double>(sentWrites - writes0) / frames;
}

void Frame(benchmark::State& state) { run(state, Mode::Model); }
void FrameStraight(benchmark::State& state) { run(state, Mode::Straight); }
void FrameNoOutput(benchmark::State& state) { run(state, Mode::NoOutput); }

BENCHMARK(Frame)->Arg(8)->Arg(64)->Arg(255);
BENCHMARK(FrameStraight)->Arg(8)->Arg(64)->Arg(255);
BENCHMARK(FrameNoOutput)->Arg(8)->Arg(64)->Arg(255);

void flushPoint() {
    if (mode == Mode::Model) {
        screen::flush(model);
    } else if (mode == Mode::Straight && straightSize > 0) {
        countSink(nullptr, straight, straightSize);
        straightSize = 0;
    }
}

} // namespace

// The console, into memory.
bool consoleOpen() { return true; }
void consoleClose() { flushPoint(); }
void gotoxy(int x, int y) {
    if (mode == Mode::Model) {
        screen::moveTo(model, x, y);
    } else if (mode == Mode::Straight) {
        straightSize += screen::encodeCursorTo(straight + straightSize, x, y);
    }
}
void setColor(short color) {
    if (mode == Mode::Model) {
        screen::setColor(model, color);
    } else if (mode == Mode::Straight) {
        straightSize += screen::encodeColor(straight + straightSize, color);
    }
}
void putText(const char* text) {
    if (mode == Mode::Model) {
        screen::putText(model, text);
    } else if (mode == Mode::Straight) {
        append(text, std::strlen(text));
    }
}
void putGlyph(unsigned char glyph) {
    if (mode == Mode::Model) {
        screen::putGlyph(model, glyph);
    } else if (mode == Mode::Straight) {
        const screen::Utf8& u = screen::glyphUtf8(glyph);
        append(u.bytes, u.size);
    }
}
void flushOutput() { flushPoint(); }
void sleepMs(int) { flushPoint(); }
// Eleven frames a second, as the pacer settles.
std::time_t clockSeconds() { return 1000 + frameCount / 11; }
int keyState(int) { return 0; }
int readChar() {
    flushPoint();
    return '\n';
}

BENCHMARK_MAIN();
