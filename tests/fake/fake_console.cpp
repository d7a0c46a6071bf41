#include "fake_console.h"

FakeConsole fake;

bool consoleOpen(int, int) { return true; }
void consoleClose() {}
void gotoxy(int x, int y) { fake.x = x, fake.y = y; }
void setColor(short c) { fake.color = c, fake.log.push_back({fake.frame, -1, -1, "[" + std::to_string(c) + "]"}); }
void putText(const char* text) {
    fake.log.push_back({fake.frame, fake.x, fake.y, text});
    for (auto c = reinterpret_cast<const unsigned char*>(text); *c; c++, fake.x++)
        if (unsigned(fake.x) < 80 && unsigned(fake.y) < 25) fake.screen[fake.y][fake.x] = {*c, fake.color};
}
void putGlyph(unsigned char glyph) { putText(std::string(1, char(glyph)).c_str()); }
void flushOutput() { fake.flushes.resize(fake.frame + 1), fake.flushes[fake.frame]++; }
// Escape also ends a game that outlives its script, so no test hangs.
int keyState(int vk) {
    const int frame = vk == VKEY_ESCAPE ? fake.frame++ : fake.frame;
    return fake.keys.count({frame, vk}) || (vk == VKEY_ESCAPE && frame >= 3000);
}
void sleepMs(int ms) { fake.sleeps += std::to_string(fake.frame) + ":" + std::to_string(ms) + " "; }
std::time_t clockSeconds() { return fake.clock(fake.frame); }
int readChar() { return fake.reads++, '\n'; }
