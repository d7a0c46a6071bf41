#include "frame.h"

#include <cstdio>

#include "platform.h"
#include "view.h"

void startPacer(FramePacer& pacer) {
    pacer.tick = 99; // the first frame's count reaches 100 and draws the header
    pacer.fps = 0;
    pacer.sleep_value = 1;
    pacer.last_time = clockSeconds();
}

void pacerStep(FramePacer& pacer) {
    if (pacer.sleep_value > 0) sleepMs(pacer.sleep_value);
    pacer.fps++;
    if (clockSeconds() - pacer.last_time > 0) {
        gotoxy(0, FPS_ROW);
        char text[24];
        std::snprintf(text, sizeof text, "%dFPS", static_cast<int>(pacer.fps));
        putText(text);
        pacer.fps = 0;
        pacer.last_time = clockSeconds();
    }
    if (pacer.fps > 5) pacer.sleep_value++;
    if (pacer.fps < 5) pacer.sleep_value--;
    gotoxy(1, SLEEP_ROW);
    char text[24];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(pacer.sleep_value));
    putText(text);
}

void pollSteering(Player& p, const SteeringKeys& keys) {
    p.lastDir = p.dir;
    if (keyState(keys.left)) steer(p, DIR_LEFT);
    if (keyState(keys.right)) steer(p, DIR_RIGHT);
    if (keyState(keys.up)) steer(p, DIR_UP);
    if (keyState(keys.down)) steer(p, DIR_DOWN);
}
