// Drawing the board: header, walls, apple and snakes, each written at
// absolute positions over whatever the screen shows. Nothing is cleared.
#pragma once

#include "board.h"
#include "glyphs.h"

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
