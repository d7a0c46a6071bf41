// The console the games draw on and read keys from.
//
// One implementation of this header is linked into each program: the POSIX
// terminal, the Windows console, or the fake console the tests script. The
// calls are those of a text console with a cursor, a colour and key-state
// polling, so the game code reads the same on every platform.
#pragma once

#include <ctime>

#include "glyphs.h"

// Virtual-key codes of the keys the games poll (the Windows values).
enum : int {
    VKEY_ESCAPE = 0x1B,
    VKEY_LEFT = 0x25,
    VKEY_UP = 0x26,
    VKEY_RIGHT = 0x27,
    VKEY_DOWN = 0x28,
    VKEY_A = 0x41,
    VKEY_D = 0x44,
    VKEY_S = 0x53,
    VKEY_W = 0x57,
};

// Prepares the console for play (keys without echo or line editing) on a
// screen of at least columns x rows cells. Returns false, after one line on
// standard error, when there is no console to play on.
bool consoleOpen(int columns, int rows);
// Puts the console back as it was found. Safe to call more than once.
void consoleClose();

// Moves the output cursor to column x, row y (both from 0 at the top left).
void gotoxy(int x, int y);
// Makes a console text attribute (4-bit foreground, black background) the
// colour of all following output.
void setColor(short color);
// Writes plain ASCII text at the cursor.
void putText(const char* text);
// Writes one code-page-437 glyph byte at the cursor; the platform shows the
// character that byte stands for.
void putGlyph(unsigned char glyph);
// While the screen is too small for the board, waits with the game paused
// until it is big enough again or Escape is pressed; else returns at once.
void pauseWhileTooSmall();
// The end of a frame's drawing: everything written so far reaches the screen,
// the one place output is flushed during play. It also starts the frame's
// input: the polls that follow see the keys as read at the first of them.
void flushOutput();

// Non-zero when the key is down now or was pressed since the previous poll of
// the same key. Consumes nothing that the final endPlayAndReadChar would see.
int keyState(int vk);
// Sleeps for ms milliseconds.
void sleepMs(int ms);
// The wall clock in whole seconds, as time(NULL).
std::time_t clockSeconds();
// Ends play: flushes output, puts the console back in line mode with echo,
// and reads one character of standard input (it returns once a line has been
// entered).
int endPlayAndReadChar();
