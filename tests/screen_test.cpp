// The screen model's output played into libvterm, a real terminal emulator:
// after every flush the terminal must show what writing each call straight
// through would have, within its edges, however the game drew.
#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdlib>

#include "glyphs.h"
#include "screen.h"

namespace {

// What a cell of the model shows: its character and its ANSI colour (-1 the terminal's own).
std::pair<uint32_t, int> expected(const screen::Model& m, screen::Cell c) {
    const GlyphForm f = glyphForm(static_cast<unsigned char>(c & 0xFF));
    const int color = ((c >> 8) & 0x1F) - 1;
    const int ansi = color < 0 ? -1 : (color & 8) | (color & 1) << 2 | (color & 2) | (color & 4) >> 2;
    return {c == 0 ? ' ' : m.ascii ? static_cast<uint32_t>(f.ascii) : f.character, ansi};
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
                    const auto [character, color] = expected(m, m.want[y][x]);
                    ASSERT_EQ(cell.chars[0] ? cell.chars[0] : ' ', character) << x << "," << y << " frame " << frame;
                    if (character == ' ') continue;
                    const int shown = VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) ? -1 : cell.fg.indexed.idx;
                    ASSERT_EQ(shown, color) << x << "," << y << " frame " << frame;
                }
            }
            VTermPos at;
            vterm_state_get_cursorpos(vterm_obtain_state(vt), &at);
            if (frame % 7 == 0) { // the cursor where the player's typing must show
                EXPECT_EQ(at.col, std::clamp(m.x, 0, std::min(t.cols, screen::COLS) - 1));
                EXPECT_EQ(at.row, std::clamp(m.y, 0, std::min(t.rows, screen::ROWS) - 1));
            }
        }
        vterm_free(vt);
    }
}

} // namespace
