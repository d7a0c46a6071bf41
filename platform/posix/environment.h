// What the console checks before play: whether the user's locale uses UTF-8
// (else the board is drawn in ASCII), and whether the terminal is big enough.
#pragma once

// The board is 70 columns wide; the header, its 19 rows and the two readouts
// under it take 22 rows.
constexpr int NEEDED_COLUMNS = 70;
constexpr int NEEDED_ROWS = 22;

// Whether a codeset or locale name says UTF-8 ("UTF-8", "en_US.utf8", ...).
bool namesUtf8(const char* name);

// Whether the user's locale (LC_ALL, LC_CTYPE, LANG) uses UTF-8. Leaves the
// program's own locale as it was. A locale that is named but not installed is
// judged by its name, as the terminal itself may well be set up for it.
bool localeIsUtf8();

// Whether a terminal of this size holds the board and readouts. A size of 0
// is unknown (a terminal that does not say): then the game plays anyway.
bool sizeFits(int columns, int rows);

// The program's name for messages ("duelcoil").
const char* programName();
