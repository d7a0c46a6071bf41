// Drawing the board: header, walls, apple and snakes, each written at
// absolute positions over whatever the screen shows. Nothing is cleared.
#pragma once

#include "board.h"

// Code-page-437 glyph bytes; each platform shows the character they stand for.
enum : unsigned char {
    GLYPH_BLANK = 0x20,
    GLYPH_START = 0x2A,      // *  segment not yet moved (shape 0)
    GLYPH_VERTICAL = 0xBA,   // ║  shapes 1 and 2
    GLYPH_HORIZONTAL = 0xCD, // ═  shapes 3 and 4
    GLYPH_DOWN_LEFT = 0xBB,  // ╗  shape 5
    GLYPH_DOWN_RIGHT = 0xC9, // ╔  shape 6
    GLYPH_UP_LEFT = 0xBC,    // ╝  shape 7
    GLYPH_UP_RIGHT = 0xC8,   // ╚  shape 8
    GLYPH_HEAD_UP = 0x1E,    // ▲
    GLYPH_HEAD_DOWN = 0x1F,  // ▼
    GLYPH_HEAD_LEFT = 0x11,  // ◄
    GLYPH_HEAD_RIGHT = 0x10, // ►
    GLYPH_WALL = 0xDB,       // █
    GLYPH_APPLE = 0x02,      // ☻
};

// The character code page 437 shows for a glyph byte the games draw, which
// every platform shows whatever its own character set. Printable ASCII is
// itself; bytes the games never draw are '?'.
constexpr char32_t glyphCharacter(unsigned char glyph) {
    switch (glyph) {
        case GLYPH_VERTICAL: return U'\u2551';
        case GLYPH_HORIZONTAL: return U'\u2550';
        case GLYPH_DOWN_LEFT: return U'\u2557';
        case GLYPH_DOWN_RIGHT: return U'\u2554';
        case GLYPH_UP_LEFT: return U'\u255D';
        case GLYPH_UP_RIGHT: return U'\u255A';
        case GLYPH_HEAD_UP: return U'\u25B2';
        case GLYPH_HEAD_DOWN: return U'\u25BC';
        case GLYPH_HEAD_LEFT: return U'\u25C4';
        case GLYPH_HEAD_RIGHT: return U'\u25BA';
        case GLYPH_WALL: return U'\u2588';
        case GLYPH_APPLE: return U'\u263B';
        default: return glyph >= 0x20 && glyph < 0x7F ? glyph : U'?';
    }
}

// Console attributes.
enum : short { COLOR_TABLE = 8, COLOR_P1 = 11, COLOR_P2 = 12, COLOR_APPLE = 14 };

// Rows under the board.
constexpr int FPS_ROW = MAP_HEIGHT + 1;   // 20
constexpr int SLEEP_ROW = MAP_HEIGHT + 2; // 21

unsigned char shapeGlyph(int shape);
unsigned char headGlyph(int dir);

// Two-player header and walls, in dark grey.
void drawTable(const Player& p, const Player& p2);
// The 174 wall cells, row by row from the top, in the current colour.
void drawWalls();
// The apple in yellow.
void drawApple();
// Erases the cell the snake's last move vacated, then draws the body tail last
// and the head, in the snake's colour.
void drawPlayer(const Player& p);
// drawPlayer without setting a colour.
void drawSnake(const Player& p);
