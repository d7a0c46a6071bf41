// The one mapping from the games' code-page-437 glyph bytes to what the
// terminal is sent.
#include "glyphs.h"

#include <array>

#include "screen.h"

namespace {

struct Glyph {
    unsigned char glyph;
    const char* utf8;
    const char* ascii;
};

// The characters code page 437 shows for the glyph bytes the games use, and
// their ASCII stand-ins. Corners keep their shape in ASCII: '.' joins
// downwards, '\'' upwards. Walls are X rather than #, the one-player apple.
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

constexpr const char* textOf(unsigned char glyph, bool utf8) {
    for (const Glyph& g : GLYPHS) {
        if (g.glyph == glyph) return utf8 ? g.utf8 : g.ascii;
    }
    return nullptr;
}

// Other bytes show as themselves when printable ASCII, else as '?'.
constexpr std::array<screen::Utf8, 256> table(bool utf8) {
    std::array<screen::Utf8, 256> t{};
    for (int i = 0; i < 256; i++) {
        const unsigned char glyph = static_cast<unsigned char>(i);
        screen::Utf8& u = t[glyph];
        if (const char* text = textOf(glyph, utf8)) {
            while (text[u.size] != '\0') {
                u.bytes[u.size] = text[u.size];
                u.size++;
            }
        } else {
            u.bytes[0] = glyph >= 0x20 && glyph < 0x7F ? static_cast<char>(glyph) : '?';
            u.size = 1;
        }
    }
    return t;
}

constexpr std::array<screen::Utf8, 256> UTF8 = table(true);
constexpr std::array<screen::Utf8, 256> ASCII = table(false);

} // namespace

const char* glyphText(unsigned char glyph, bool utf8) { return textOf(glyph, utf8); }

namespace screen {

const Utf8& glyphUtf8(unsigned char glyph) { return UTF8[glyph]; }
const Utf8& glyphAscii(unsigned char glyph) { return ASCII[glyph]; }

} // namespace screen
