#include "board.h"

#include <cstdlib>

Point apple = {0, 0};
std::int32_t sec = 0;

namespace {

void stackSegments(Player& p, int length, int x, int y) {
    p.dir = DIR_REST;
    p.length = length;
    p.score = 0;
    for (int i = 0; i < length; i++) p.body[i] = {x, y, SHAPE_START};
    // The first draw erases lastBit; the start cell is redrawn right after.
    p.lastBit = {x, y};
}

int opposite(int dir) {
    switch (dir) {
        case DIR_DOWN: return DIR_UP;
        case DIR_UP: return DIR_DOWN;
        case DIR_LEFT: return DIR_RIGHT;
        case DIR_RIGHT: return DIR_LEFT;
        default: return DIR_REST;
    }
}

// The shape of the cell the head leaves: by the direction that brought the
// head in (row) and the one it leaves in (column). Leaving the way it came,
// or after rest, the cell is straight; at rest nothing is left behind.
constexpr std::int32_t SHAPE_LEFT_BEHIND[5][5] = {
    // leaving: at rest, down, up, left, right
    {SHAPE_START, SHAPE_DOWN, SHAPE_UP, SHAPE_LEFT, SHAPE_RIGHT},             // from rest
    {SHAPE_START, SHAPE_DOWN, SHAPE_UP, SHAPE_UP_LEFT, SHAPE_UP_RIGHT},       // after down
    {SHAPE_START, SHAPE_DOWN, SHAPE_UP, SHAPE_DOWN_LEFT, SHAPE_DOWN_RIGHT},   // after up
    {SHAPE_START, SHAPE_DOWN_RIGHT, SHAPE_UP_RIGHT, SHAPE_LEFT, SHAPE_RIGHT}, // after left
    {SHAPE_START, SHAPE_DOWN_LEFT, SHAPE_UP_LEFT, SHAPE_LEFT, SHAPE_RIGHT},   // after right
};

// The cell change of one move in each direction.
constexpr Point STEP[5] = {{0, 0}, {0, 1}, {0, -1}, {-1, 0}, {1, 0}};

int occupies(const Player& p, int x, int y) {
    for (int i = 0; i < p.length; i++) {
        if (p.body[i].x == x && p.body[i].y == y) return 1;
    }
    return 0;
}

void rollApple() {
    apple.x = std::rand() % (MAP_WIDTH - 2) + 1;
    apple.y = std::rand() % (MAP_HEIGHT - 2) + 2;
}

int headOnApple(const Player& p) { return p.body[0].x == apple.x && p.body[0].y == apple.y; }

} // namespace

void resetPlayer(Player& p, int x, int y, short color) {
    stackSegments(p, 8, x, y);
    p.color = color;
}

void resetPlayer(Player& p, int x, int y) { stackSegments(p, 10, x, y); }

void steer(Player& p, int requested) {
    if (p.dir != opposite(requested)) p.dir = requested;
}

void movePlayer(Player& p) {
    const BodyPart tail = p.body[p.length - 1];
    p.lastBit = {tail.x, tail.y};

    // At rest the head stays put and its cell keeps its shape.
    const Point step = STEP[p.dir];
    if (p.dir != DIR_REST) p.body[0].dir = SHAPE_LEFT_BEHIND[p.lastDir][p.dir];
    const int x = p.body[0].x + step.x;
    const int y = p.body[0].y + step.y;

    for (int i = p.length - 1; i > 0; i--) p.body[i] = p.body[i - 1];
    p.body[0].x = x;
    p.body[0].y = y;
}

// Rejection sampling: draw x then y until the cell is on neither snake.
void nextApple(Player& p, Player& p2) {
    int retry;
    do {
        rollApple();
        retry = occupies(p, apple.x, apple.y);
        if (occupies(p2, apple.x, apple.y)) retry = 1;
    } while (retry);
}

void nextApple(Player& p) {
    do {
        rollApple();
    } while (occupies(p, apple.x, apple.y));
}

void growPlayer(Player& p) {
    if (p.length >= MAX_LENGTH) return;
    // The new entry copies the tail: erasing and redrawing it before the next
    // move fills it is harmless, and crash tests see a cell of the snake.
    p.body[p.length] = p.body[p.length - 1];
    p.length++;
}

void checkEatApple(Player& p, Player& p2) {
    if (headOnApple(p)) {
        nextApple(p, p2); // placed before growing: avoids the head and old segments
        p.score++;
        growPlayer(p);
    }
    if (headOnApple(p2)) {
        nextApple(p, p2);
        p2.score++;
        growPlayer(p2);
    }
}

int isWall(int x, int y) { return x == 0 || x == MAP_WIDTH - 1 || y == 1 || y == MAP_HEIGHT; }

int collided(const Player& p) {
    const int x = p.body[0].x;
    const int y = p.body[0].y;
    if (isWall(x, y)) return 1;
    if (p.dir == DIR_REST) return 0; // at reset every segment shares the head's cell
    for (int i = 1; i < p.length; i++) {
        if (p.body[i].x == x && p.body[i].y == y) return 1;
    }
    return 0;
}

int playerCollided(const Player& p, const Player& p2) {
    const int x = p.body[0].x;
    const int y = p.body[0].y;
    if (isWall(x, y)) return 1;
    if (p.dir == DIR_REST) return 0;
    // From 1: two heads on one cell are no crash.
    for (int i = 1; i < p2.length; i++) {
        if (p2.body[i].x == x && p2.body[i].y == y) return 1;
    }
    return 0;
}
