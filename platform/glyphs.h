// The code-page-437 glyph bytes the games draw, and the one table of what
// each platform shows for them: the Unicode character, or an ASCII stand-in
// for a terminal whose character set is not UTF-8.
#pragma once

enum : unsigned char {
    GLYPH_BLANK = 0x20,
    GLYPH_START = 0x2A,      // *  a start segment, not yet moved
    GLYPH_VERTICAL = 0xBA,   // ║  straight up or down
    GLYPH_HORIZONTAL = 0xCD, // ═  straight left or right
    GLYPH_DOWN_LEFT = 0xBB,  // ╗  corners, by the cells they join
    GLYPH_DOWN_RIGHT = 0xC9, // ╔
    GLYPH_UP_LEFT = 0xBC,    // ╝
    GLYPH_UP_RIGHT = 0xC8,   // ╚
    GLYPH_HEAD_UP = 0x1E,    // ▲
    GLYPH_HEAD_DOWN = 0x1F,  // ▼
    GLYPH_HEAD_LEFT = 0x11,  // ◄
    GLYPH_HEAD_RIGHT = 0x10, // ►
    GLYPH_WALL = 0xDB,       // █
    GLYPH_APPLE = 0x02,      // ☻
};

struct GlyphForm {
    unsigned char glyph;
    char16_t character; // what code page 437 shows
    char ascii;         // corners keep their shape: '.' joins downwards, '\'' upwards
};

constexpr GlyphForm GLYPH_FORMS[] = {
    {GLYPH_VERTICAL, u'\u2551', '|'},   {GLYPH_HORIZONTAL, u'\u2550', '-'}, {GLYPH_DOWN_LEFT, u'\u2557', '.'},
    {GLYPH_DOWN_RIGHT, u'\u2554', '.'}, {GLYPH_UP_LEFT, u'\u255D', '\''},   {GLYPH_UP_RIGHT, u'\u255A', '\''},
    {GLYPH_HEAD_UP, u'\u25B2', '^'},    {GLYPH_HEAD_DOWN, u'\u25BC', 'v'},  {GLYPH_HEAD_LEFT, u'\u25C4', '<'},
    {GLYPH_HEAD_RIGHT, u'\u25BA', '>'}, {GLYPH_WALL, u'\u2588', 'X'},       {GLYPH_APPLE, u'\u263B', '@'},
};

// Printable ASCII is itself; bytes the games never draw show as '?'.
constexpr GlyphForm glyphForm(unsigned char glyph) {
    for (const GlyphForm& f : GLYPH_FORMS) {
        if (f.glyph == glyph) return f;
    }
    const char c = glyph >= 0x20 && glyph < 0x7F ? static_cast<char>(glyph) : '?';
    return {glyph, static_cast<char16_t>(c), c};
}
