#include "glyphs.h"

namespace {

struct Glyph {
    unsigned char glyph;
    const char* utf8;
    const char* ascii;
};

// Corners keep their shape in ASCII: '.' joins downwards, '\'' upwards. Walls
// are X rather than #, the one-player apple.
constexpr Glyph GLYPHS[] = {
    {0xBA, "\xE2\x95\x91", "|"},  // U+2551 ║
    {0xCD, "\xE2\x95\x90", "-"},  // U+2550 ═
    {0xBB, "\xE2\x95\x97", "."},  // U+2557 ╗
    {0xC9, "\xE2\x95\x94", "."},  // U+2554 ╔
    {0xBC, "\xE2\x95\x9D", "'"},  // U+255D ╝
    {0xC8, "\xE2\x95\x9A", "'"},  // U+255A ╚
    {0x1E, "\xE2\x96\xB2", "^"},  // U+25B2 ▲
    {0x1F, "\xE2\x96\xBC", "v"},  // U+25BC ▼
    {0x11, "\xE2\x97\x84", "<"},  // U+25C4 ◄
    {0x10, "\xE2\x96\xBA", ">"},  // U+25BA ►
    {0xDB, "\xE2\x96\x88", "X"},  // U+2588 █
    {0x02, "\xE2\x98\xBB", "@"},  // U+263B ☻
};

} // namespace

const char* glyphText(unsigned char glyph, bool utf8) {
    for (const Glyph& g : GLYPHS) {
        if (g.glyph == glyph) return utf8 ? g.utf8 : g.ascii;
    }
    return nullptr;
}
