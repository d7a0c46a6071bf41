#pragma once

// Plays one two-player game from start-up until a crash (after the outcome
// message and a line of input) or Escape. Returns the exit status, 0.
int runDuel();
