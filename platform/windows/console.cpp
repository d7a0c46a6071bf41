// The Windows console: the calls the games were written against, used as is.
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

// The character each code-page-437 byte the games draw stands for. Printable
// ASCII is itself; bytes the games never draw show as '?'.
wchar_t glyphChar(unsigned char glyph) {
    switch (glyph) {
        case 0x02: return L'\x263B'; // apple
        case 0x10: return L'\x25BA'; // heads
        case 0x11: return L'\x25C4';
        case 0x1E: return L'\x25B2';
        case 0x1F: return L'\x25BC';
        case 0xBA: return L'\x2551'; // body
        case 0xBB: return L'\x2557';
        case 0xBC: return L'\x255D';
        case 0xC8: return L'\x255A';
        case 0xC9: return L'\x2554';
        case 0xCD: return L'\x2550';
        case 0xDB: return L'\x2588'; // wall
        default: return glyph >= 0x20 && glyph < 0x7F ? static_cast<wchar_t>(glyph) : L'?';
    }
}

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
            for (int i = 0; i < chunk; i++) wide[i] = glyphChar(bytes[i]);
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
bool consoleOpen() { return true; }

void consoleClose() { flushOutput(); }

void gotoxy(int x, int y) {
    const COORD at = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
    SetConsoleCursorPosition(GetStdHandle(STD_OUTPUT_HANDLE), at);
}

void setColor(short color) {
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), static_cast<WORD>(color));
}

void putText(const char* text) {
    int n = 0;
    while (text[n] != '\0') n++;
    writeBytes(reinterpret_cast<const unsigned char*>(text), n);
}

void putGlyph(unsigned char glyph) { writeBytes(&glyph, 1); }

// Our own writes are never buffered; this only covers anything a library
// routine may have left in the C runtime's stdout.
void flushOutput() { std::fflush(stdout); }

int keyState(int vk) { return GetAsyncKeyState(vk) != 0 ? 1 : 0; }

void sleepMs(int ms) {
    flushOutput();
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

std::time_t clockSeconds() { return std::time(nullptr); }

// The console is still in its own line mode with echo, so getchar returns
// once Enter is pressed.
int readChar() {
    flushOutput();
    return std::getchar();
}
