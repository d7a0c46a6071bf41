// A console for tests: a screen of glyphs and colours, a log of writes and
// colour changes, scripted keys and clock. A frame ends at its Escape poll.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

struct FakeConsole {
    struct Cell { unsigned char glyph = ' '; int color = -1; }; // -1: no colour set
    struct Write { int frame, x, y; std::string text; };        // setColor(c) logs "[c]" at (-1, -1)
    Cell screen[25][80] = {};
    int x = 0, y = 0, frame = 0, reads = 0, color = -1;
    std::vector<Write> log;
    std::string sleeps;                 // "frame:ms " for each sleep
    std::vector<int> flushes;           // flushes in each frame
    std::set<std::pair<int, int>> keys; // (frame, key): pressed in that frame
    std::function<std::time_t(int frame)> clock = [](int) { return std::time_t{1000}; };
};
extern FakeConsole fake; // assign a fresh one before each game
