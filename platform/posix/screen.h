// What the game has drawn and what the terminal shows, so that a flush sends
// only the cells that differ. No I/O: a flush encodes into the caller's buffer.
//
// The model holds the cells the games draw (they stay within 80 x 22) and
// clips to the terminal: writes outside either are dropped, never wrapped.
#pragma once

#include <cstddef>
#include <cstdint>

namespace screen {

constexpr int COLS = 100;
constexpr int ROWS = 24;
// The most a flush can encode: every cell with a cursor move and a colour.
constexpr std::size_t OUT_MAX = COLS * ROWS * 20 + 32;

// 0: never drawn (wanted) or unknown (shown). Otherwise bit 15 set, bits 8-12
// the colour plus one (0 for the terminal's own), bits 0-7 the glyph byte.
using Cell = std::uint16_t;

struct Model {
    Cell want[ROWS][COLS];  // what writing straight through would have shown
    Cell shown[ROWS][COLS]; // what the terminal shows, as far as sent output tells
    int x, y;               // the game's cursor
    short color;            // the game's colour: -1, the terminal's own, until set
    bool colorSet;          // a game that never sets a colour is never sent one
    bool ascii;             // glyphs as ASCII stand-ins: the terminal is not UTF-8
    int cols, rows;         // the terminal's size, clipped to the model
    int termX, termY;       // the terminal's cursor; termX -1 when unknown
    short termColor;        // the terminal's colour; -2 when unknown
};

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
