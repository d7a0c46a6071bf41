// What the two frame loops share: the frame pacer with its readouts and the
// header's frame counter, and steering from polled keys.
#pragma once

#include <cstdint>
#include <ctime>

#include "board.h"

struct FramePacer {
    std::int32_t tick;        // frames: every hundredth advances sec and redraws the header
    std::int32_t fps;         // frames since the clock's second last changed
    std::int32_t sleep_value; // ms to sleep per frame; may go to 0 or below
    std::time_t last_time;    // the clock's second at the last readout
};

// The counters as they stand when the first frame starts.
void startPacer(FramePacer& pacer);
// Sleeps and adapts the sleep so frames settle near eleven a second, and
// writes the readouts under the board (they reach the screen with the next
// frame's flush).
void pacerStep(FramePacer& pacer);

// The four keys that steer one snake, in polling order: left, right, up, down.
struct SteeringKeys {
    int left, right, up, down;
};
// Copies dir into lastDir, then polls the keys in order, steering at once on
// each that counts as pressed.
void pollSteering(Player& p, const SteeringKeys& keys);
