// The rules of the board: snakes, steering, moving, the apple and the crash
// tests. Plain data and free functions; nothing here draws or reads keys.
#pragma once

#include <cstdint>

constexpr int MAX_LENGTH = 255; // capacity of a snake's body (index 0 to 254)
constexpr int MAP_WIDTH = 70;   // board columns, walls included (0 to 69)
constexpr int MAP_HEIGHT = 19;  // board rows, walls included, drawn on rows 1 to 19

// Direction codes held in Player::dir and Player::lastDir.
enum : std::int32_t { DIR_REST = 0, DIR_DOWN = 1, DIR_UP = 2, DIR_LEFT = 3, DIR_RIGHT = 4 };

// Shape codes held in BodyPart::dir: the shape a cell takes when the head
// leaves it. A corner is named by the two cells it joins.
enum : std::int32_t {
    SHAPE_START = 0,      // a start segment, not yet moved
    SHAPE_DOWN = 1,       // straight on, leaving downwards
    SHAPE_UP = 2,         // straight on, leaving upwards
    SHAPE_LEFT = 3,       // straight on, leaving leftwards
    SHAPE_RIGHT = 4,      // straight on, leaving rightwards
    SHAPE_DOWN_LEFT = 5,  // the cells below and to the left
    SHAPE_DOWN_RIGHT = 6, // below and to the right
    SHAPE_UP_LEFT = 7,    // above and to the left
    SHAPE_UP_RIGHT = 8,   // above and to the right
};

struct Point {
    std::int32_t x;
    std::int32_t y;
};

struct BodyPart {
    std::int32_t x;
    std::int32_t y;
    std::int32_t dir; // shape code (SHAPE_...) of the cell, set when the head leaves it
};

struct Player {
    std::int32_t dir;     // direction of the next move; 0 until first steered
    std::int32_t lastDir; // direction of the previous move
    std::int32_t length;  // segments in use: body[0] head, body[length - 1] tail
    std::int32_t score;   // apples eaten
    Point lastBit;        // cell the last move vacated, erased by the next draw
    BodyPart body[MAX_LENGTH];
    std::int16_t color; // console attribute of the snake (two-player game)
};

extern Point apple;      // the one apple; written only by nextApple
extern std::int32_t sec; // header time: hundreds of frames, advanced by the frame loop

// Puts a snake of eight stacked start segments at (x, y), at rest.
void resetPlayer(Player& p, int x, int y, short color);
// Single-player form: ten segments, no colour.
void resetPlayer(Player& p, int x, int y);

// Requests direction `requested` (1 to 4): taken unless it is the opposite of
// the current dir.
void steer(Player& p, int requested);

// Advances the snake one cell in dir, recording the vacated tail in lastBit
// and the shape of the cell the head leaves.
void movePlayer(Player& p);

// Moves the apple to a random interior cell that neither snake occupies.
void nextApple(Player& p, Player& p2);
// Single-player form: avoids one snake.
void nextApple(Player& p);

// Adds one segment at the tail, a copy of the tail until the next move fills
// it. At MAX_LENGTH the snake stays as long as it is.
void growPlayer(Player& p);

// Lets each head that stands on the apple eat it (p first).
void checkEatApple(Player& p, Player& p2);

// 1 if the head is on a wall, or (once steered) on another of its own segments.
int collided(const Player& p);
// 1 if p's head is on a wall, or (once steered) on a segment of p2 other than
// p2's head.
int playerCollided(const Player& p, const Player& p2);

// 1 if (x, y) is a wall cell of the board.
int isWall(int x, int y);
