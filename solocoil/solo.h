// The one-player game: one uncoloured snake of ten segments steered with the
// arrow keys, "#" apples eaten at the start of the next move.
#pragma once

#include "board.h"

namespace solo {

// Eats first when the head stands on the apple (new apple, score, growth),
// then moves as in the two-player game.
void movePlayer(Player& p);
// The short header and the walls, in the terminal's own colours.
void drawTable(const Player& p);
void drawApple();
void drawPlayer(const Player& p);

// Plays one game from start-up until a crash (after "Game Over" and a line of
// input) or Escape. Returns the exit status, 0.
int runSolo();

} // namespace solo
