// What the game has drawn and what the terminal shows, so that a flush sends
// only the cells that differ. No I/O: a flush encodes into the caller's buffer.
//
// The model holds the cells the games draw and clips to the terminal: writes
// outside either are dropped, never wrapped.
#pragma once

#include <cstddef>

namespace screen {

// The games draw the board's 19 rows under the header and two readout rows
// below it. The widest row is the two-player header: 60 characters and five
// numbers, which fit in 20 digits in any game a player will meet (lengths and
// scores of 3 digits, the time of 8: some 28 years of play).
constexpr int ROWS = 1 + 19 + 2;
constexpr int COLS = 60 + 20;
// The most a flush can encode: every cell with a cursor move and a colour.
constexpr std::size_t OUT_MAX = COLS * ROWS * 20 + 32;

// The colour of a game that never sets one: the terminal's own.
constexpr short OWN_COLOR = -1;

struct Cell {
    bool drawn;          // false: never drawn (wanted), or not known (shown)
    unsigned char glyph; // a code-page-437 byte
    short color;         // a console attribute (0 to 15), or OWN_COLOR

    bool operator==(const Cell&) const = default;
};

struct Model {
    Cell shown[ROWS][COLS]; // what the terminal shows, as far as sent output tells
    Cell want[ROWS][COLS];  // what writing straight through would have shown
    int x, y;               // the game's cursor
    short color;            // the game's colour
    bool ascii;             // glyphs as ASCII stand-ins: the terminal is not UTF-8
    int cols, rows;         // the terminal's size, clipped to the model
    bool cursorKnown;       // false after a clear, and while the terminal waits to wrap
    int termX, termY;       // the terminal's cursor, when known
    bool colorKnown;        // false after a clear, which may keep or drop the colour
    short termColor;        // the terminal's colour, when known
};

// An empty model, for a terminal that invalidate then describes.
void reset(Model& m, bool ascii);
// The terminal was cleared or can no longer be trusted, and is now cols x rows
// (0 when unknown): the next flush sends every drawn cell again.
void invalidate(Model& m, int cols, int rows);

void moveTo(Model& m, int x, int y);
void setColor(Model& m, short color);
// One code-page-437 glyph byte at the cursor (text too, a byte at a time).
void put(Model& m, unsigned char glyph);

// Encodes the cells that differ into out (OUT_MAX bytes), each colour set
// once, and returns the length. With cursor, the terminal's cursor and colour
// then end where the game's are, as they must before the player types.
std::size_t flush(Model& m, char* out, bool cursor);

} // namespace screen
