// The one mapping from the games' code-page-437 glyph bytes to what the
// terminal is sent.
#include "glyphs.h"

#include <array>

#include "screen.h"
#include "view.h"

namespace {

// ASCII stand-ins for the glyphs outside ASCII, so the board still reads the
// same. Corners keep their shape: '.' joins downwards, '\'' upwards. Walls are
// X rather than #, the one-player apple.
constexpr struct {
    unsigned char glyph;
    char ascii;
} STAND_INS[] = {
    {GLYPH_VERTICAL, '|'},   {GLYPH_HORIZONTAL, '-'}, {GLYPH_DOWN_LEFT, '.'},  {GLYPH_DOWN_RIGHT, '.'},
    {GLYPH_UP_LEFT, '\''},   {GLYPH_UP_RIGHT, '\''},  {GLYPH_HEAD_UP, '^'},    {GLYPH_HEAD_DOWN, 'v'},
    {GLYPH_HEAD_LEFT, '<'},  {GLYPH_HEAD_RIGHT, '>'}, {GLYPH_WALL, 'X'},       {GLYPH_APPLE, '@'},
};

// What is sent for one glyph, NUL-terminated for glyphText.
struct Text {
    char bytes[4];
};

constexpr Text utf8Of(char32_t c) {
    Text t{};
    if (c < 0x80) {
        t.bytes[0] = static_cast<char>(c);
    } else if (c < 0x800) {
        t.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
        t.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
    } else { // the glyphs are all in the Basic Multilingual Plane
        t.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
        t.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        t.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
    }
    return t;
}

constexpr Text asciiOf(unsigned char glyph) {
    for (const auto& s : STAND_INS) {
        if (s.glyph == glyph) return Text{{s.ascii}};
    }
    return utf8Of(glyphCharacter(glyph)); // ASCII already, or '?'
}

constexpr std::array<Text, 256> textTable(bool utf8) {
    std::array<Text, 256> t{};
    for (int i = 0; i < 256; i++) {
        const auto glyph = static_cast<unsigned char>(i);
        t[glyph] = utf8 ? utf8Of(glyphCharacter(glyph)) : asciiOf(glyph);
    }
    return t;
}

constexpr std::array<Text, 256> UTF8_TEXT = textTable(true);
constexpr std::array<Text, 256> ASCII_TEXT = textTable(false);

constexpr std::array<screen::Utf8, 256> sizedTable(const std::array<Text, 256>& texts) {
    std::array<screen::Utf8, 256> t{};
    for (int i = 0; i < 256; i++) {
        screen::Utf8& u = t[i];
        while (u.size < sizeof u.bytes && texts[i].bytes[u.size] != '\0') {
            u.bytes[u.size] = texts[i].bytes[u.size];
            u.size++;
        }
    }
    return t;
}

constexpr std::array<screen::Utf8, 256> UTF8 = sizedTable(UTF8_TEXT);
constexpr std::array<screen::Utf8, 256> ASCII = sizedTable(ASCII_TEXT);

} // namespace

const char* glyphText(unsigned char glyph, bool utf8) {
    // Only the glyphs outside ASCII have a text of their own.
    if (glyphCharacter(glyph) < 0x80) return nullptr;
    return utf8 ? UTF8_TEXT[glyph].bytes : ASCII_TEXT[glyph].bytes;
}

namespace screen {

const Utf8& glyphUtf8(unsigned char glyph) { return UTF8[glyph]; }
const Utf8& glyphAscii(unsigned char glyph) { return ASCII[glyph]; }

} // namespace screen
