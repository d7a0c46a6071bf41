#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "board.h"
#include "environment.h"
#include "glyphs.h"
#include "screen.h"
#include "view.h"

namespace {

TEST(Environment, CodesetAndLocaleNamesThatSayUtf8) {
    for (const char* name : {"UTF-8", "utf8", "en_US.UTF-8", "C.utf8", "de_DE.utf-8@euro", "UTF8"}) {
        EXPECT_TRUE(namesUtf8(name)) << name;
    }
    for (const char* name : {"ANSI_X3.4-1968", "ISO-8859-1", "C", "POSIX", "", "UTF-16", "utf-", "utf",
                             "en_US.ISO-8859-15", "fr_FR@euro"}) {
        EXPECT_FALSE(namesUtf8(name)) << name;
    }
    EXPECT_FALSE(namesUtf8(nullptr));
}

// Runs the check with only LC_ALL set as given, then puts the environment back.
bool utf8With(const char* lcAll) {
    const char* variables[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::string saved[3];
    bool had[3];
    for (int i = 0; i < 3; i++) {
        const char* value = std::getenv(variables[i]);
        had[i] = value != nullptr;
        if (had[i]) saved[i] = value;
        unsetenv(variables[i]);
    }
    setenv("LC_ALL", lcAll, 1);
    const bool utf8 = localeIsUtf8();
    unsetenv("LC_ALL");
    for (int i = 0; i < 3; i++) {
        if (had[i]) setenv(variables[i], saved[i].c_str(), 1);
    }
    return utf8;
}

TEST(Environment, TheUsersLocaleDecidesAndTheProgramsOwnStaysC) {
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    EXPECT_TRUE(utf8With("C.UTF-8")); // built into glibc
    EXPECT_FALSE(utf8With("C"));
    EXPECT_FALSE(utf8With("POSIX"));
    // Named but not installed here: judged by the name.
    EXPECT_TRUE(utf8With("xx_YY.UTF-8"));
    EXPECT_FALSE(utf8With("xx_YY.ISO-8859-1"));
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST(Environment, TheSizeNeededIsTheBoardsAndReadouts) {
    EXPECT_EQ(NEEDED_COLUMNS, MAP_WIDTH);
    EXPECT_EQ(NEEDED_ROWS, SLEEP_ROW + 1);
    EXPECT_TRUE(sizeFits(70, 22));
    EXPECT_TRUE(sizeFits(80, 24));
    EXPECT_FALSE(sizeFits(69, 22));
    EXPECT_FALSE(sizeFits(70, 21));
    EXPECT_FALSE(sizeFits(60, 20));
    // A terminal that does not say its size is let play.
    EXPECT_TRUE(sizeFits(0, 0));
    EXPECT_TRUE(sizeFits(80, 0));
    EXPECT_TRUE(sizeFits(0, 24));
}

const unsigned char BODIES[] = {GLYPH_VERTICAL,  GLYPH_HORIZONTAL, GLYPH_DOWN_LEFT,
                                GLYPH_DOWN_RIGHT, GLYPH_UP_LEFT,    GLYPH_UP_RIGHT};
const unsigned char HEADS[] = {GLYPH_HEAD_UP, GLYPH_HEAD_DOWN, GLYPH_HEAD_LEFT, GLYPH_HEAD_RIGHT};

TEST(Glyphs, Utf8ShowsWhatCodePage437Showed) {
    EXPECT_STREQ(glyphText(GLYPH_WALL, true), "█");
    EXPECT_STREQ(glyphText(GLYPH_APPLE, true), "☻");
    EXPECT_STREQ(glyphText(GLYPH_VERTICAL, true), "║");
    EXPECT_STREQ(glyphText(GLYPH_HORIZONTAL, true), "═");
    EXPECT_STREQ(glyphText(GLYPH_DOWN_LEFT, true), "╗");
    EXPECT_STREQ(glyphText(GLYPH_DOWN_RIGHT, true), "╔");
    EXPECT_STREQ(glyphText(GLYPH_UP_LEFT, true), "╝");
    EXPECT_STREQ(glyphText(GLYPH_UP_RIGHT, true), "╚");
    EXPECT_STREQ(glyphText(GLYPH_HEAD_UP, true), "▲");
    EXPECT_STREQ(glyphText(GLYPH_HEAD_DOWN, true), "▼");
    EXPECT_STREQ(glyphText(GLYPH_HEAD_LEFT, true), "◄");
    EXPECT_STREQ(glyphText(GLYPH_HEAD_RIGHT, true), "►");
    EXPECT_EQ(glyphText('#', true), nullptr);
    EXPECT_EQ(glyphText(GLYPH_START, false), nullptr); // already ASCII: shown as it is
}

TEST(Glyphs, AsciiStandInsKeepTheBoardReadable) {
    const auto ascii = [](unsigned char glyph) {
        const char* text = glyphText(glyph, false);
        EXPECT_NE(text, nullptr) << int{glyph};
        if (text == nullptr) return '\0';
        EXPECT_EQ(std::strlen(text), 1u) << int{glyph};
        EXPECT_TRUE(text[0] > ' ' && text[0] < 0x7F) << int{glyph};
        return text[0];
    };
    EXPECT_EQ(ascii(GLYPH_HEAD_UP), '^');
    EXPECT_EQ(ascii(GLYPH_HEAD_DOWN), 'v');
    EXPECT_EQ(ascii(GLYPH_HEAD_LEFT), '<');
    EXPECT_EQ(ascii(GLYPH_HEAD_RIGHT), '>');
    EXPECT_EQ(ascii(GLYPH_VERTICAL), '|');
    EXPECT_EQ(ascii(GLYPH_HORIZONTAL), '-');

    // Walls, either game's apple, heads, bodies and the start segment are
    // told apart at a glance: no stand-in is shared across those kinds.
    const char wall = ascii(GLYPH_WALL);
    const char apple = ascii(GLYPH_APPLE);
    std::set<char> heads, bodies;
    for (unsigned char g : HEADS) heads.insert(ascii(g));
    for (unsigned char g : BODIES) bodies.insert(ascii(g));
    EXPECT_EQ(heads.size(), 4u);
    for (char c : {wall, apple, '#', static_cast<char>(GLYPH_START)}) {
        EXPECT_EQ(heads.count(c), 0u) << c;
        EXPECT_EQ(bodies.count(c), 0u) << c;
    }
    for (char c : heads) EXPECT_EQ(bodies.count(c), 0u) << c;
    EXPECT_NE(wall, apple);
    EXPECT_NE(wall, '#'); // the one-player apple
    EXPECT_NE(apple, '#');
    EXPECT_NE(wall, static_cast<char>(GLYPH_START));
}

TEST(Glyphs, TheScreenModelSendsWhatTheMappingSays) {
    for (int i = 0; i < 256; i++) {
        const auto glyph = static_cast<unsigned char>(i);
        for (const bool utf8 : {true, false}) {
            const screen::Utf8& sent = utf8 ? screen::glyphUtf8(glyph) : screen::glyphAscii(glyph);
            std::string expected;
            if (const char* text = glyphText(glyph, utf8)) {
                expected = text;
            } else {
                expected = glyph >= 0x20 && glyph < 0x7F ? std::string(1, static_cast<char>(glyph)) : "?";
            }
            EXPECT_EQ(std::string(sent.bytes, sent.size), expected) << i << (utf8 ? " utf8" : " ascii");
        }
    }
}

} // namespace
