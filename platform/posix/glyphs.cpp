// The one mapping from the games' code-page-437 glyph bytes to what the
// terminal is sent.
#include <array>

#include "screen.h"

namespace screen {

namespace {

// UTF-8 of the characters code page 437 shows for the glyph bytes the games
// use; other bytes show as themselves when printable ASCII, else as '?'.
constexpr const char* glyphText(unsigned char glyph) {
    switch (glyph) {
        case 0xBA: return "\xE2\x95\x91"; // U+2551 ║
        case 0xCD: return "\xE2\x95\x90"; // U+2550 ═
        case 0xBB: return "\xE2\x95\x97"; // U+2557 ╗
        case 0xC9: return "\xE2\x95\x94"; // U+2554 ╔
        case 0xBC: return "\xE2\x95\x9D"; // U+255D ╝
        case 0xC8: return "\xE2\x95\x9A"; // U+255A ╚
        case 0x1E: return "\xE2\x96\xB2"; // U+25B2 ▲
        case 0x1F: return "\xE2\x96\xBC"; // U+25BC ▼
        case 0x11: return "\xE2\x97\x84"; // U+25C4 ◄
        case 0x10: return "\xE2\x96\xBA"; // U+25BA ►
        case 0xDB: return "\xE2\x96\x88"; // U+2588 █
        case 0x02: return "\xE2\x98\xBB"; // U+263B ☻
        default: return nullptr;
    }
}

constexpr std::array<Utf8, 256> utf8Table() {
    std::array<Utf8, 256> table{};
    for (int i = 0; i < 256; i++) {
        const unsigned char glyph = static_cast<unsigned char>(i);
        Utf8& u = table[glyph];
        if (const char* text = glyphText(glyph)) {
            while (text[u.size] != '\0') {
                u.bytes[u.size] = text[u.size];
                u.size++;
            }
        } else {
            u.bytes[0] = glyph >= 0x20 && glyph < 0x7F ? static_cast<char>(glyph) : '?';
            u.size = 1;
        }
    }
    return table;
}

constexpr std::array<Utf8, 256> UTF8 = utf8Table();

} // namespace

const Utf8& glyphUtf8(unsigned char glyph) { return UTF8[glyph]; }

} // namespace screen
