// A console for tests: keeps a screen grid of glyph bytes and colours, logs
// every write, and plays scripted keys and clock. Frames are counted by the
// Escape polls that end them, so scripts say "at frame N".
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace fake {

constexpr int WIDTH = 80;
constexpr int HEIGHT = 25;
constexpr short NO_COLOR = -1;

struct Cell {
    unsigned char glyph; // code-page-437 byte, 0 if never written
    short color;         // attribute in force when written
};

struct Write {
    int frame;
    int x, y;
    unsigned char glyph;
    short color;
};

struct Console {
    Cell screen[HEIGHT][WIDTH];
    int cursorX, cursorY;
    short color; // NO_COLOR until setColor is called
    int frame;   // Escape polls so far: the index of the frame being played
    std::vector<Write> writes;
    std::vector<int> sleeps;        // ms of every sleepMs, in order
    std::vector<int> flushFrames;   // frame of every flushOutput
    std::vector<int> colorSets;     // every setColor value
    int readCalls;                  // readChar calls
    int readFrame;                  // frame of the first readChar, -1 if none
    int maxFrames;                  // Escape counts as pressed from this frame on
    bool outOfScript;               // the game ran into maxFrames
    int offScreenWrites;            // writes outside the grid
    // Scripted input: is vk pressed at a poll in this frame?
    std::function<bool(int frame, int vk)> keys;
    // Scripted clock: time(NULL) during this frame.
    std::function<std::time_t(int frame)> clock;
};

// The one console the platform calls use; reset() before each test.
Console& console();
void reset();

// Text of row y: written cells as their byte, others as spaces, right-trimmed.
std::string row(int y);
const Cell& cell(int x, int y);
// Keys pressed at given frames: {{frame, vk}, ...}.
void pressAt(std::vector<std::pair<int, int>> presses);

} // namespace fake
