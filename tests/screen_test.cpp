// The screen model's output played into libvterm, a real terminal emulator:
// after every flush the terminal must show what writing each call straight
// through would have, within the terminal's edges, however the game drew.
#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdlib>

#include "glyphs.h"
#include "screen.h"

namespace {

screen::Model m;
char out[screen::OUT_MAX];

void check(VTerm* vt, int cols, int rows, const char* when) {
    VTermScreen* s = vterm_obtain_screen(vt);
    for (int y = 0; y < rows && y < screen::ROWS; y++) {
        for (int x = 0; x < cols && x < screen::COLS; x++) {
            VTermScreenCell cell;
            vterm_screen_get_cell(s, VTermPos{y, x}, &cell);
            const screen::Cell want = m.want[y][x];
            const GlyphForm f = glyphForm(static_cast<unsigned char>(want & 0xFF));
            const uint32_t expected = want == 0 ? 0 : m.ascii ? static_cast<uint32_t>(f.ascii) : f.character;
            ASSERT_EQ(cell.chars[0] == ' ' ? 0 : cell.chars[0], expected == ' ' ? 0 : expected)
                << when << " at " << x << "," << y;
            if (want == 0 || expected == ' ') continue;
            const int color = ((want >> 8) & 0x1F) - 1;
            if (color < 0) {
                ASSERT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&cell.fg)) << when << " at " << x << "," << y;
            } else {
                const int ansi = (color & 8) | (color & 1) << 2 | (color & 2) | (color & 4) >> 2;
                ASSERT_TRUE(VTERM_COLOR_IS_INDEXED(&cell.fg) && cell.fg.indexed.idx == ansi)
                    << when << " colour at " << x << "," << y;
            }
        }
    }
}

TEST(Screen, TerminalShowsWhatWasDrawn) {
    const unsigned char glyphs[] = {GLYPH_WALL, GLYPH_APPLE, GLYPH_VERTICAL, GLYPH_UP_RIGHT, GLYPH_HEAD_LEFT,
                                    GLYPH_BLANK, GLYPH_START, '7', 'P'};
    const short colors[] = {8, 11, 12, 14};
    std::srand(7);
    // Terminals larger and smaller than the model, UTF-8 and ASCII, colour or none.
    const struct { int cols, rows; bool ascii, color; } sizes[] = {
        {80, 24, false, true}, {120, 40, true, true}, {60, 20, false, true}, {80, 24, false, false}};
    for (const auto& size : sizes) {
        VTerm* vt = vterm_new(size.rows, size.cols);
        vterm_set_utf8(vt, 1);
        vterm_screen_reset(vterm_obtain_screen(vt), 1);
        screen::reset(m, size.ascii);
        screen::forget(m, size.cols, size.rows);
        for (int frame = 0; frame < 300; frame++) {
            for (int op = 0; op < 8; op++) {
                screen::moveTo(m, std::rand() % (screen::COLS + 4) - 2, std::rand() % (screen::ROWS + 4) - 2);
                if (size.color && std::rand() % 3 == 0) screen::setColor(m, colors[std::rand() % 4]);
                for (int n = std::rand() % 4; n >= 0; n--) screen::put(m, glyphs[std::rand() % 9]);
            }
            if (frame % 50 == 49) { // a continue: cleared, everything sent again
                vterm_input_write(vt, "\x1b[H\x1b[2J", 7);
                screen::forget(m, size.cols, size.rows);
            }
            const bool cursor = frame % 7 == 0;
            vterm_input_write(vt, out, screen::flush(m, out, cursor));
            check(vt, size.cols, size.rows, "after a flush");
            if (cursor) {
                VTermPos at;
                vterm_state_get_cursorpos(vterm_obtain_state(vt), &at);
                EXPECT_EQ(at.col, std::clamp(m.x, 0, std::min(size.cols, screen::COLS) - 1));
                EXPECT_EQ(at.row, std::clamp(m.y, 0, std::min(size.rows, screen::ROWS) - 1));
            }
        }
        vterm_free(vt);
    }
}

} // namespace
