// Whole games played on a console that writes both straight through and
// through the screen model; at every flush (each frame, the final read, the
// exit) the two test terminals must show the same.
#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "board.h"
#include "dual_output.h"
#include "duel.h"
#include "platform.h"
#include "solo.h"
#include "view.h"

namespace {

struct Script {
    int frame;     // Escape polls so far
    int maxFrames; // Escape counts as pressed from here on
    std::function<bool(int frame, int vk)> keys;
    std::function<void(int frame)> atFrameEnd; // at each frame's Escape poll
    std::vector<std::string> mismatches;
    std::vector<std::string> fpsRows; // row 20 after each flush
    int reads;
    int invalidateAt;    // frame whose next flush follows an invalidation
    bool checkFresh;     // compare the next flush alone against a blank terminal
    std::string freshDiff;
};

vt::Dual dual;
Script script;

// Row 20 from the frame counter's seconds: 12 frames, then 9, then 11 a second.
std::time_t clockAt(int frame) {
    if (frame < 11) return 1000;
    if (frame < 20) return 1001;
    return 1002 + (frame - 20) / 11;
}

void flushPoint() {
    const std::string diff = vt::flush(dual);
    if (!diff.empty()) script.mismatches.push_back("frame " + std::to_string(script.frame) + ": " + diff);
    script.fpsRows.push_back(vt::row(dual.directTerm, FPS_ROW).substr(0, 8));
    if (script.checkFresh) {
        script.checkFresh = false;
        vt::Terminal fresh = vt::make(80, 24, U'~');
        vt::feed(fresh, dual.allDiffed.substr(dual.allDiffed.size() - dual.flushBytes.back()));
        script.freshDiff = vt::compare(dual.directTerm, fresh);
    }
}

// Keys that drive a snake round a 4 x 4 square: a turn every fourth frame.
bool circling(int frame, int vk, const int (&turns)[4]) {
    return frame % 4 == 0 && vk == turns[(frame / 4) % 4];
}
constexpr int ARROW_TURNS[4] = {VKEY_RIGHT, VKEY_DOWN, VKEY_LEFT, VKEY_UP};
constexpr int WASD_TURNS[4] = {VKEY_D, VKEY_S, VKEY_A, VKEY_W};

class GameOutput : public ::testing::Test {
protected:
    void SetUp() override {
        vt::start(dual, 80, 24);
        script = Script{};
        script.maxFrames = 2000;
        script.invalidateAt = -1;
        script.keys = [](int, int) { return false; };
        script.atFrameEnd = [](int) {};
        sec = 0;
    }
    void expectSameEverywhere() {
        EXPECT_TRUE(script.mismatches.empty()) << script.mismatches.front();
        EXPECT_LT(script.frame, script.maxFrames) << "the game did not end by itself";
        for (int drains : dual.flushDrains) EXPECT_LE(drains, 1);
    }
};

TEST_F(GameOutput, DuelShowsTheSameAtEveryFlush) {
    // Both snakes circle; p1 eats two apples put in its way, then at frame
    // 200 its player stops steering and it runs into the left wall.
    script.keys = [](int frame, int vk) {
        return (frame < 200 && circling(frame, vk, ARROW_TURNS)) || circling(frame, vk, WASD_TURNS);
    };
    script.atFrameEnd = [](int frame) {
        if (frame == 1) apple = {13, 10};
        if (frame == 30) apple = {14, 12};
        if (frame == script.invalidateAt) {
            screen::invalidate(*dual.model);
            script.checkFresh = true;
        }
    };
    script.invalidateAt = 150;
    runDuel();
    consoleClose();
    expectSameEverywhere();

    // The scenes this was meant to cover did come up.
    EXPECT_EQ(script.reads, 1);
    EXPECT_EQ(vt::row(dual.directTerm, SLEEP_ROW).substr(3, 12), "Player 2 WIN");
    EXPECT_EQ(vt::row(dual.directTerm, 0).substr(0, 20), "Length: 10  Score: 2");
    EXPECT_NE(std::find(script.fpsRows.begin(), script.fpsRows.end(), "12FPS~~~"), script.fpsRows.end());
    EXPECT_NE(std::find(script.fpsRows.begin(), script.fpsRows.end(), "9FPSS~~~"), script.fpsRows.end());
    // After the invalidation one flush alone redrew the whole board.
    EXPECT_EQ(script.freshDiff, "");
}

TEST_F(GameOutput, SoloShowsTheSameAndNeverSetsAColour) {
    script.keys = [](int frame, int vk) { return frame < 120 && circling(frame, vk, ARROW_TURNS); };
    script.atFrameEnd = [](int frame) {
        if (frame == 2) apple = {4, 2};
    };
    solo::runSolo();
    consoleClose();
    expectSameEverywhere();
    EXPECT_EQ(script.reads, 1);
    EXPECT_EQ(vt::row(dual.directTerm, FPS_ROW).substr(3, 9), "Game Over");
    EXPECT_FALSE(std::regex_search(dual.allDiffed, std::regex("\x1b\\[[0-9;]*m")));
}

} // namespace

// The console the games call, writing through vt::Dual.
bool consoleOpen() { return true; }
void consoleClose() { flushPoint(); }
void gotoxy(int x, int y) { vt::gotoxy(dual, x, y); }
void setColor(short color) { vt::setColor(dual, color); }
void putText(const char* text) { vt::putText(dual, text); }
void putGlyph(unsigned char glyph) { vt::putGlyph(dual, glyph); }
void flushOutput() { flushPoint(); }
void sleepMs(int) { flushPoint(); }
std::time_t clockSeconds() { return clockAt(script.frame); }
int readChar() {
    flushPoint();
    script.reads++;
    return '\n';
}
int keyState(int vk) {
    const int frame = script.frame;
    if (vk == VKEY_ESCAPE) {
        script.atFrameEnd(frame);
        script.frame++;
        return frame >= script.maxFrames ? 1 : 0;
    }
    return script.keys(frame, vk) ? 1 : 0;
}
