#include "view.h"

#include <cstdio>

#include "platform.h"

unsigned char shapeGlyph(int shape) {
    switch (shape) {
        case SHAPE_DOWN:
        case SHAPE_UP: return GLYPH_VERTICAL;
        case SHAPE_LEFT:
        case SHAPE_RIGHT: return GLYPH_HORIZONTAL;
        case SHAPE_DOWN_LEFT: return GLYPH_DOWN_LEFT;
        case SHAPE_DOWN_RIGHT: return GLYPH_DOWN_RIGHT;
        case SHAPE_UP_LEFT: return GLYPH_UP_LEFT;
        case SHAPE_UP_RIGHT: return GLYPH_UP_RIGHT;
        default: return GLYPH_START;
    }
}

unsigned char headGlyph(int dir) {
    switch (dir) {
        case DIR_UP: return GLYPH_HEAD_UP;
        case DIR_DOWN: return GLYPH_HEAD_DOWN;
        case DIR_LEFT: return GLYPH_HEAD_LEFT;
        case DIR_RIGHT: return GLYPH_HEAD_RIGHT;
        default: return 0; // at rest: no head glyph
    }
}

void drawTable(const Player& p, const Player& p2) {
    setColor(COLOR_TABLE);
    gotoxy(0, 0);
    char header[128];
    std::snprintf(header, sizeof header, "Length: %d  Score: %d          Time: %d          Length: %d  Score: %d",
                  static_cast<int>(p.length), static_cast<int>(p.score), static_cast<int>(sec),
                  static_cast<int>(p2.length), static_cast<int>(p2.score));
    putText(header);
    drawWalls();
}

void drawWalls() {
    for (int y = 0; y < MAP_HEIGHT; y++) {
        for (int x = 0; x < MAP_WIDTH; x++) {
            if (y == 0 || y == MAP_HEIGHT - 1 || x == 0 || x == MAP_WIDTH - 1) {
                gotoxy(x, y + 1);
                putGlyph(GLYPH_WALL);
            }
        }
    }
}

void drawApple() {
    setColor(COLOR_APPLE);
    gotoxy(apple.x, apple.y);
    putGlyph(GLYPH_APPLE);
}

void drawSnake(const Player& p) {
    gotoxy(p.lastBit.x, p.lastBit.y);
    putGlyph(GLYPH_BLANK);
    for (int i = 1; i < p.length; i++) {
        gotoxy(p.body[i].x, p.body[i].y);
        putGlyph(shapeGlyph(p.body[i].dir));
    }
    gotoxy(p.body[0].x, p.body[0].y);
    if (p.dir != DIR_REST) putGlyph(headGlyph(p.dir));
}

void drawPlayer(const Player& p) {
    setColor(p.color);
    drawSnake(p);
}
