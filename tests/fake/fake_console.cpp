#include "fake_console.h"

#include <algorithm>
#include <utility>

#include "platform.h"

namespace fake {

namespace {
Console theConsole;

void put(unsigned char glyph) {
    Console& c = theConsole;
    c.writes.push_back({c.frame, c.cursorX, c.cursorY, glyph, c.color});
    if (c.cursorX >= 0 && c.cursorX < WIDTH && c.cursorY >= 0 && c.cursorY < HEIGHT) {
        c.screen[c.cursorY][c.cursorX] = {glyph, c.color};
    } else {
        c.offScreenWrites++;
    }
    c.cursorX++;
}
} // namespace

Console& console() { return theConsole; }

void reset() {
    Console& c = theConsole;
    for (auto& line : c.screen) std::fill(std::begin(line), std::end(line), Cell{0, NO_COLOR});
    c.cursorX = c.cursorY = 0;
    c.color = NO_COLOR;
    c.frame = 0;
    c.writes.clear();
    c.sleeps.clear();
    c.flushFrames.clear();
    c.colorSets.clear();
    c.readCalls = 0;
    c.readFrame = -1;
    c.maxFrames = 5000;
    c.outOfScript = false;
    c.offScreenWrites = 0;
    c.keys = [](int, int) { return false; };
    c.clock = [](int) { return std::time_t{1000000}; };
}

std::string row(int y) {
    std::string text;
    for (int x = 0; x < WIDTH; x++) {
        const unsigned char g = theConsole.screen[y][x].glyph;
        text += g ? static_cast<char>(g) : ' ';
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

const Cell& cell(int x, int y) { return theConsole.screen[y][x]; }

void pressAt(std::vector<std::pair<int, int>> presses) {
    theConsole.keys = [presses = std::move(presses)](int frame, int vk) {
        return std::find(presses.begin(), presses.end(), std::make_pair(frame, vk)) != presses.end();
    };
}

} // namespace fake

using fake::theConsole;

bool consoleOpen(int, int) { return true; }
void consoleClose() {}

void gotoxy(int x, int y) {
    theConsole.cursorX = x;
    theConsole.cursorY = y;
}

void setColor(short color) {
    theConsole.color = color;
    theConsole.colorSets.push_back(color);
}

void putText(const char* text) {
    for (; *text; text++) fake::put(static_cast<unsigned char>(*text));
}

void putGlyph(unsigned char glyph) { fake::put(glyph); }

void flushOutput() { theConsole.flushFrames.push_back(theConsole.frame); }

int keyState(int vk) {
    fake::Console& c = theConsole;
    const int frame = c.frame;
    if (vk == VKEY_ESCAPE) {
        c.frame++;
        if (frame >= c.maxFrames) {
            c.outOfScript = true;
            return 1;
        }
    }
    return c.keys(frame, vk) ? 1 : 0;
}

void sleepMs(int ms) {
    theConsole.sleeps.push_back(ms);
}

std::time_t clockSeconds() { return theConsole.clock(theConsole.frame); }

int readChar() {
    if (theConsole.readCalls++ == 0) theConsole.readFrame = theConsole.frame;
    return '\n';
}
