#include "duel.h"

#include <cstdlib>

#include "board.h"
#include "frame.h"
#include "platform.h"
#include "view.h"

namespace {

constexpr SteeringKeys ARROWS = {VKEY_LEFT, VKEY_RIGHT, VKEY_UP, VKEY_DOWN};
constexpr SteeringKeys WASD = {VKEY_A, VKEY_D, VKEY_W, VKEY_S};

int announce(const char* message) {
    gotoxy(3, SLEEP_ROW);
    putText(message);
    endPlayAndReadChar();
    return 0;
}

} // namespace

int runDuel() {
    std::srand(static_cast<unsigned>(clockSeconds()));
    FramePacer pacer{};
    Player p1{};
    Player p2{};
    resetPlayer(p1, 10, 10, COLOR_P1);
    resetPlayer(p2, 60, 10, COLOR_P2);
    nextApple(p1, p2);
    startPacer(pacer);

    for (;;) {
        drawApple();
        drawPlayer(p1);
        drawPlayer(p2);
        // Both crashing in one frame is decided by the first test: Player 2 wins.
        if (collided(p1) || playerCollided(p1, p2)) return announce("Player 2 WIN");
        if (collided(p2) || playerCollided(p2, p1)) return announce("Player 1 WIN");
        pauseWhileTooSmall();
        flushOutput(); // the frame reaches the screen
        pacerStep(pacer);
        if (++pacer.tick % 100 == 0) {
            sec++;
            drawTable(p1, p2);
        }
        pollSteering(p1, ARROWS);
        pollSteering(p2, WASD);
        movePlayer(p1);
        movePlayer(p2);
        checkEatApple(p1, p2);
        if (keyState(VKEY_ESCAPE)) return 0;
    }
}
