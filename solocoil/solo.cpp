#include "solo.h"

#include <cstdio>
#include <cstdlib>

#include "frame.h"
#include "platform.h"
#include "view.h"

// Nothing here sets a colour: the game shows in the terminal's own.
namespace solo {

void movePlayer(Player& p) {
    if (p.body[0].x == apple.x && p.body[0].y == apple.y) {
        nextApple(p); // avoids the snake as it stands before this move
        p.score++;
        growPlayer(p);
    }
    ::movePlayer(p);
}

void drawTable(const Player& p) {
    gotoxy(0, 0);
    char header[64];
    std::snprintf(header, sizeof header, "Length: %d  Score: %d  Time: %d", static_cast<int>(p.length),
                  static_cast<int>(p.score), static_cast<int>(sec));
    putText(header);
    drawWalls();
}

void drawApple() {
    gotoxy(apple.x, apple.y);
    putGlyph('#');
}

void drawPlayer(const Player& p) { drawSnake(p); }

int runSolo() {
    std::srand(static_cast<unsigned>(clockSeconds()));
    FramePacer pacer{};
    Player p1{};
    resetPlayer(p1, 2, 2);
    nextApple(p1);
    startPacer(pacer);

    // The solo:: forms are named in full: the two-player ones share their names.
    constexpr SteeringKeys arrows = {VKEY_LEFT, VKEY_RIGHT, VKEY_UP, VKEY_DOWN};
    for (;;) {
        solo::drawApple();
        solo::drawPlayer(p1);
        if (collided(p1)) {
            gotoxy(3, FPS_ROW);
            putText("Game Over");
            endPlayAndReadChar();
            return 0;
        }
        pauseWhileTooSmall();
        flushOutput(); // the frame reaches the screen
        pacerStep(pacer);
        if (++pacer.tick % 100 == 0) {
            sec++;
            solo::drawTable(p1);
        }
        pollSteering(p1, arrows);
        solo::movePlayer(p1);
        if (keyState(VKEY_ESCAPE)) return 0;
    }
}

} // namespace solo
