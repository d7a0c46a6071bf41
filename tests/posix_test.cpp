// The terminal layer's pure parts: the key and reply parser, fed whole and
// byte by byte; and the screen model, its output played into libvterm, a real
// terminal emulator, which must then show what writing each call straight
// through would have, within its edges, however the game drew.
#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdlib>

#include "keys.h"
#include "platform.h"
#include "screen.h"

// What the game's polls see once the bytes have come: each key pressed, "held"
// if still down at its next poll, then the replies.
std::string keysAfter(const std::string& bytes, bool releases, std::size_t step) {
    Keys k{};
    k.reportsReleases = releases;
    // One at a time, bytes come three fifths of a lone ESC's wait apart, the
    // reader having found nothing before each: a sequence may take longer than
    // that wait. A lone ESC is Escape once its whole wait is over.
    KeyClock::time_point at{};
    for (std::size_t i = 0; i < bytes.size(); i += step) {
        at += ESCAPE_TIMEOUT * 3 / 5;
        timeOutLoneEscape(k, at);
        feedKeys(k, reinterpret_cast<const unsigned char*>(&bytes[i]), step, at);
    }
    timeOutLoneEscape(k, at + ESCAPE_TIMEOUT);
    const std::pair<int, const char*> keys[] = {{VKEY_W, "w"},       {VKEY_A, "a"},         {VKEY_S, "s"},
                                                {VKEY_D, "d"},       {VKEY_UP, "up"},       {VKEY_DOWN, "down"},
                                                {VKEY_LEFT, "left"}, {VKEY_RIGHT, "right"}, {VKEY_ESCAPE, "Escape"}};
    std::string seen;
    for (const auto& [vk, name] : keys) {
        if (pollKey(k, vk)) seen += std::string(" ") + name + (pollKey(k, vk) ? " held" : "");
    }
    if (k.flagsSeen) seen += " flags " + std::to_string(k.flags);
    if (k.answered) seen += " attributes";
    if (k.hasControl) seen += " Ctrl+" + std::string{char('@' + k.control)};
    return seen.erase(0, 1);
}

TEST(Keys, WholeAndByteByByte) {
    const struct {
        const char* name;
        std::string bytes, seen;
    } cases[] = {
        {"typed, released", "Wa\33OD\33[A\33[1;1:3A", "w a up left"},
        {"pressed", "\33[1;5B\33[100;1:2u\33[115;2u", "s held d held down held"},
        {"lone ESC", "\33", "Escape"},
        {"ESC ESC", "\33\33[A", "up held Escape"},
        {"alternate keys, text", "\33[97:65:65;2;65u", "a held"},
        {"strings", "\33]0;wasd\7\33Xa\7\33^s\7\33_d\7\33Pw\33\\a", "a"},
        {"Alt chords, other sequences", "\33[97;3u\33[99;7u\33aw\33[>1;2C\33[ A\33[27;2;65~\33[97;1:4u", "w"},
        {"cut short, too long", "\33[1\33[" + std::string(33, '1') + "A\33[B", "down held"},
        {"flags 31", "\33[?31u\33[27u", "Escape held flags 31"},
        {"flags 0, attributes", "\33[?0u\33[?62;22c", "flags 0 attributes"},
        {"flags 32", "\33[?32u", ""},
        {"flags overflow", "\33[?99999999999999999999u", ""},
        {"Ctrl+A", "\33[97;5u", "Ctrl+A"},
        {"Ctrl+Z", "\33[122;5u", "Ctrl+Z"},
        {"Ctrl+\\", "\33[92;5u", "Ctrl+\\"},
        {"Ctrl+C released, Ctrl+Escape", "\33[99;5:3u\33[27;5u", ""},
    };
    for (const auto& c : cases) {
        for (std::size_t step : {c.bytes.size(), std::size_t{1}}) {
            EXPECT_EQ(keysAfter(c.bytes, true, step), c.seen) << c.name << ", in steps of " << step;
        }
    }
    // Where no release will come, no press may hold.
    EXPECT_EQ(keysAfter("\33[A\33[100u", false, 1), "d up");
}

// The colour a terminal shows for a console attribute (-1: its own); ANSI swaps red and blue.
static int ansi(int color) { return color < 0 ? -1 : (color & 0xA) | (color & 1) << 2 | (color & 4) >> 2; }

TEST(Screen, TerminalShowsWhatWasDrawn) {
    static screen::Model m;
    static char out[screen::OUT_MAX];
    // Terminals larger and smaller than the model, in UTF-8 and ASCII, with colour and without.
    const struct {
        int cols, rows;
        bool ascii, color;
    } terminals[] = {{80, 24, false, true}, {120, 40, true, true}, {60, 20, false, true}, {80, 24, false, false}};
    for (const auto& t : terminals) {
        VTerm* vt = vterm_new(t.rows, t.cols);
        vterm_set_utf8(vt, 1);
        vterm_screen_reset(vterm_obtain_screen(vt), 1);
        screen::reset(m, t.ascii);
        for (int frame = 0; frame < 300; frame++) {
            // A start or a continue: the terminal cleared, and the model told to send everything again.
            if (frame % 50 == 0) vterm_input_write(vt, "\x1b[H\x1b[2J", 7);
            if (frame % 50 == 0) screen::invalidate(m, t.cols, t.rows);
            for (int op = 0; op < 8; op++) { // any glyph byte anywhere, some beyond the edges
                screen::moveTo(m, std::rand() % (screen::COLS + 4) - 2, std::rand() % (screen::ROWS + 4) - 2);
                if (t.color && std::rand() % 3 == 0) screen::setColor(m, static_cast<short>(std::rand() % 16));
                for (int n = std::rand() % 4; n >= 0; n--) screen::put(m, static_cast<unsigned char>(std::rand()));
            }
            vterm_input_write(vt, out, screen::flush(m, out, frame % 7 == 0));
            for (int y = 0; y < std::min(t.rows, screen::ROWS); y++) {
                for (int x = 0; x < std::min(t.cols, screen::COLS); x++) {
                    VTermScreenCell cell;
                    vterm_screen_get_cell(vterm_obtain_screen(vt), VTermPos{y, x}, &cell);
                    const screen::Cell c = m.want[y][x];
                    const GlyphForm f = glyphForm(static_cast<unsigned char>(c & 0xFF));
                    const uint32_t character = c == 0 ? ' ' : t.ascii ? static_cast<uint32_t>(f.ascii) : f.character;
                    const int shown = VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) ? -1 : cell.fg.indexed.idx;
                    ASSERT_EQ(cell.chars[0] ? cell.chars[0] : ' ', character) << x << "," << y << " frame " << frame;
                    ASSERT_TRUE(character == ' ' || shown == ansi(((c >> 8) & 0x1F) - 1)) << x << "," << y;
                }
            }
            if (frame % 7 != 0) continue; // else the cursor where the player's typing must show
            VTermPos at;
            vterm_state_get_cursorpos(vterm_obtain_state(vt), &at);
            EXPECT_EQ(std::pair(at.col, at.row), std::pair(std::clamp(m.x, 0, std::min(t.cols, screen::COLS) - 1),
                                                           std::clamp(m.y, 0, std::min(t.rows, screen::ROWS) - 1)));
        }
        vterm_free(vt);
    }
}
