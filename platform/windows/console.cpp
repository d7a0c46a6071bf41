// The Windows console: the console API, used as it is.
//
// Output goes straight to the standard output handle, never through the C
// runtime's stdout: nothing is buffered, so every write is on the screen before
// the next cursor move, and no runtime converts bytes through the ANSI code
// page on the way.
//
// Glyphs: the games draw code-page-437 bytes, but the console's code page is
// whatever the user has (often 850 or 1252, or 65001), and the program changes
// none of the console's settings. So when standard output is a console
// (GetConsoleMode succeeds) a glyph is written as its UTF-16 character with
// WriteConsoleW, which shows the same on every code page; when it is redirected
// to a file or pipe the code-page-437 byte itself is written with WriteFile.
// Text takes the same path as glyphs, so the order of writes is kept.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>

#include "platform.h"

namespace {

// Writes n code-page-437 bytes at the cursor, as characters on a console and
// as the bytes themselves anywhere else.
void writeBytes(const unsigned char* bytes, int n) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        wchar_t wide[128];
        while (n > 0) {
            const int chunk = n < 128 ? n : 128;
            for (int i = 0; i < chunk; i++) wide[i] = static_cast<wchar_t>(glyphForm(bytes[i]).character);
            WriteConsoleW(out, wide, static_cast<DWORD>(chunk), &written, nullptr);
            bytes += chunk;
            n -= chunk;
        }
    } else {
        WriteFile(out, bytes, static_cast<DWORD>(n), &written, nullptr);
    }
}

} // namespace

// Key polling leaves the console's input mode alone, so there is nothing to
// set up and nothing to put back.
bool consoleOpen(int, int) { return true; }

void consoleClose() { flushOutput(); }

void gotoxy(int x, int y) {
    const COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), at);
}

void setColor(short color) { SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), static_cast<WORD>(color)); }

void putText(const char* text) {
    int n = 0;
    while (text[n] != '\0') n++;
    writeBytes(reinterpret_cast<const unsigned char*>(text), n);
}

void putGlyph(unsigned char glyph) { writeBytes(&glyph, 1); }

// The console's screen buffer holds the board whatever the window's size.
void pauseWhileTooSmall() {}

// Our own writes are never buffered; this only covers anything a library
// routine may have left in the C runtime's stdout.
void flushOutput() { std::fflush(stdout); }

int keyState(int vk) { return GetAsyncKeyState(vk) != 0 ? 1 : 0; }

void sleepMs(int ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

std::time_t clockSeconds() { return std::time(nullptr); }

// The console is still in its own line mode with echo, so getchar returns
// once Enter is pressed.
int endPlayAndReadChar() {
    flushOutput();
    return std::getchar();
}
