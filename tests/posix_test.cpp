// The terminal layer's pure parts: the key and reply parser, fed whole and
// byte by byte; and the screen model, its output played into libvterm, a real
// terminal emulator, which must then show what writing each call straight
// through would have, within its edges, however the game drew.
#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdlib>
#include <cstring>

#include "glyphs.h"
#include "keys.h"
#include "platform.h"
#include "screen.h"

namespace {

const KeyClock::time_point T0{};

void feed(Keys& k, const char* bytes, KeyClock::time_point now = T0, std::size_t step = 0) {
    const std::size_t n = std::strlen(bytes);
    for (std::size_t i = 0; i < n; i += step ? step : n) {
        feedKeys(k, reinterpret_cast<const unsigned char*>(bytes) + i, step ? step : n, now);
        idleKeys(k, now);
    }
}

TEST(Keys, DecodeWholeAndSplit) {
    const struct {
        const char* bytes;
        int vk, first, second; // the key at the first poll, and still held at the next
    } cases[] = {
        {"a", VKEY_A, 1, 0}, {"W", VKEY_W, 1, 0},         // typed keys never hold
        {"\x1b[A", VKEY_UP, 1, 1},                        // a press holds until its release
        {"\x1b[A\x1b[1;1:3A", VKEY_UP, 1, 0}, {"\x1b[1;5B", VKEY_DOWN, 1, 1},
        {"\x1bOD", VKEY_LEFT, 1, 0},                      // SS3 comes from legacy terminals only
        {"\x1b[100;1:2u", VKEY_D, 1, 1}, {"\x1b[115;2u", VKEY_S, 1, 1}, {"\x1b[27u", VKEY_ESCAPE, 1, 1},
        {"\x1b[97;3u", VKEY_A, 0, 0}, {"\x1b" "a", VKEY_A, 0, 0}, // Alt chords
        {"\x1b]0;wasd\x07", VKEY_W, 0, 0}, {"\x1b[?97u", VKEY_A, 0, 0}, {"\x1b[>1;2C", VKEY_RIGHT, 0, 0},
        {"\x1b[1111111111111111111111111111111111111111A", VKEY_UP, 0, 0}, // too long: dropped
    };
    for (const auto& c : cases) {
        for (int run = 0; run < 4; run++) { // whole and byte by byte; with releases reported and without
            Keys k{};
            k.reportsReleases = run < 2; // else no release will come, and no press may hold
            feed(k, c.bytes, T0, run % 2);
            EXPECT_EQ(pollKey(k, c.vk), c.first) << c.bytes + 1 << " run " << run;
            EXPECT_EQ(pollKey(k, c.vk), c.second && run < 2) << c.bytes + 1 << " run " << run;
        }
    }
}

TEST(Keys, OnlyALoneEscapeTimesOut) {
    Keys k{};
    feed(k, "\x1b");
    idleKeys(k, T0 + ESCAPE_TIMEOUT / 2);
    const int early = pollKey(k, VKEY_ESCAPE);
    idleKeys(k, T0 + ESCAPE_TIMEOUT);
    EXPECT_EQ(std::pair(early, pollKey(k, VKEY_ESCAPE)), std::pair(0, 1));
    for (const char* start : {"\x1b[", "\x1bO"}) { // an arrow's last byte a second late
        Keys late{};
        feed(late, start);
        feed(late, "D", T0 + std::chrono::seconds(1));
        EXPECT_EQ(pollKey(late, VKEY_LEFT), 1) << start + 1;
        EXPECT_EQ(pollKey(late, VKEY_D) + pollKey(late, VKEY_ESCAPE), 0) << start + 1;
    }
}

TEST(Keys, RepliesAndControls) {
    Keys k{};
    feed(k, "\x1b[?11u\x1b[?62;22c\x1b[99;5u\x1b[122;5:3u"); // Ctrl+C pressed, Ctrl+Z released
    EXPECT_TRUE(k.flagsSeen && k.flags == 11 && k.answered && k.hasControl && k.control == 3);
    for (const char* absurd : {"\x1b[?99999999999999999999u", "\x1b[?32u"}) {
        Keys no{};
        feed(no, absurd);
        EXPECT_FALSE(no.flagsSeen || no.answered) << absurd + 1;
    }
}


TEST(Screen, TerminalShowsWhatWasDrawn) {
    const unsigned char glyphs[] = {GLYPH_WALL, GLYPH_APPLE, GLYPH_VERTICAL, GLYPH_UP_RIGHT, ' ', '*', '7'};
    static screen::Model m;
    static char out[screen::OUT_MAX];
    std::srand(7);
    // Terminals larger and smaller than the model, in UTF-8 and ASCII, with colour and without.
    const struct { int cols, rows; bool ascii, color; } terminals[] = {
        {80, 24, false, true}, {120, 40, true, true}, {60, 20, false, true}, {80, 24, false, false}};
    for (const auto& t : terminals) {
        VTerm* vt = vterm_new(t.rows, t.cols);
        vterm_set_utf8(vt, 1);
        VTermScreen* vs = vterm_obtain_screen(vt);
        vterm_screen_reset(vs, 1);
        screen::reset(m, t.ascii);
        screen::forget(m, t.cols, t.rows);
        for (int frame = 1; frame <= 300; frame++) {
            for (int op = 0; op < 8; op++) {
                screen::moveTo(m, std::rand() % (screen::COLS + 4) - 2, std::rand() % (screen::ROWS + 4) - 2);
                if (t.color && std::rand() % 3 == 0) screen::setColor(m, static_cast<short>(std::rand() % 16));
                for (int n = std::rand() % 4; n >= 0; n--) screen::put(m, glyphs[std::rand() % 7]);
            }
            if (frame % 50 == 0) { // a continue: cleared, everything sent again
                vterm_input_write(vt, "\x1b[H\x1b[2J", 7);
                screen::forget(m, t.cols, t.rows);
            }
            vterm_input_write(vt, out, screen::flush(m, out, frame % 7 == 0));
            for (int y = 0; y < std::min(t.rows, screen::ROWS); y++) {
                for (int x = 0; x < std::min(t.cols, screen::COLS); x++) {
                    VTermScreenCell cell;
                    vterm_screen_get_cell(vs, VTermPos{y, x}, &cell);
                    const screen::Cell c = m.want[y][x];
                    const GlyphForm f = glyphForm(static_cast<unsigned char>(c & 0xFF));
                    const uint32_t character = c == 0 ? ' ' : m.ascii ? static_cast<uint32_t>(f.ascii) : f.character;
                    ASSERT_EQ(cell.chars[0] ? cell.chars[0] : ' ', character) << x << "," << y << " frame " << frame;
                    const int color = ((c >> 8) & 0x1F) - 1; // the console attribute; ANSI swaps red and blue
                    const int ansi = color < 0 ? -1 : (color & 0xA) | (color & 1) << 2 | (color & 4) >> 2;
                    const int shown = VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) ? -1 : cell.fg.indexed.idx;
                    ASSERT_TRUE(character == ' ' || shown == ansi) << x << "," << y << " frame " << frame;
                }
            }
            VTermPos at;
            vterm_state_get_cursorpos(vterm_obtain_state(vt), &at);
            if (frame % 7 == 0) { // the cursor where the player's typing must show
                EXPECT_EQ(std::pair(at.col, at.row), std::pair(std::clamp(m.x, 0, std::min(t.cols, screen::COLS) - 1),
                                                               std::clamp(m.y, 0, std::min(t.rows, screen::ROWS) - 1)));
            }
        }
        vterm_free(vt);
    }
}

} // namespace
