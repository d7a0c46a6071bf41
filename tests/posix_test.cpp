// The terminal layer's pure parts: the key and reply parser, fed whole and
// byte by byte; and the screen model, its output played into libvterm, a real
// terminal emulator, which must then show what writing each call straight
// through would have, within its edges, however the game drew.
#include <gtest/gtest.h>
#include <vterm.h>

#include <cstdlib>

#include "glyphs.h"
#include "keys.h"
#include "platform.h"
#include "screen.h"

// What the game's polls see once the bytes have come: the keys w a s d, the
// arrows U D L R and E for Escape, each "+" if still held at the next poll;
// then the replies: "?" and the keyboard flags, "c" the device attributes, and
// "^" and the letter of a Ctrl chord.
static std::string keysAfter(const std::string& bytes, bool releases, std::size_t step) {
    Keys k{};
    k.reportsReleases = releases;
    // One at a time, bytes come half a lone ESC's wait apart, the reader having
    // found nothing before each: a sequence may take longer than that wait.
    KeyClock::time_point at{};
    for (std::size_t i = 0; i < bytes.size(); i += step, at += ESCAPE_TIMEOUT / 2) {
        timeOutLoneEscape(k, at);
        feedKeys(k, reinterpret_cast<const unsigned char*>(bytes.data()) + i, step, at);
    }
    timeOutLoneEscape(k, at - ESCAPE_TIMEOUT / 2 + ESCAPE_TIMEOUT); // a whole wait after the last: a lone ESC is Escape
    std::string seen;
    const int keys[] = {VKEY_W, VKEY_A, VKEY_S, VKEY_D, VKEY_UP, VKEY_DOWN, VKEY_LEFT, VKEY_RIGHT, VKEY_ESCAPE};
    for (int i = 0; i < 9; i++) {
        if (pollKey(k, keys[i])) seen += std::string(1, "wasdUDLRE"[i]) + (pollKey(k, keys[i]) ? "+" : "");
    }
    if (k.flagsSeen) seen += "?" + std::to_string(k.flags);
    if (k.answered) seen += "c";
    if (k.hasControl) seen += {'^', static_cast<char>('@' + k.control)};
    return seen;
}

TEST(Keys, WholeAndByteByByte) {
    const struct {
        std::string bytes, seen;
    } cases[] = {
        // Typed keys never hold, a press holds until its release; SS3 comes from legacy terminals only;
        // a lone ESC is Escape once its wait is over.
        {"Wa", "wa"},
        {"\x1b[1;5B", "D+"},
        {"\x1b[A\x1b[1;1:3A", "U"},
        {"\x1bOD", "L"},
        {"\x1b", "E"},
        // A repeat, Shift, Alt chords (kitty's and legacy), Ctrl+Alt+C: no Ctrl+C.
        {"\x1b[100;1:2u", "d+"},
        {"\x1b[115;2u", "s+"},
        {"\x1b[97;3u", ""},
        {"\x1b"
         "aw",
         "w"},
        {"\x1b[99;7u", ""},
        // Consumed and ignored: a title string, another private sequence, one cut short, one too long.
        {"\x1b]0;wasd\x07"
         "a",
         "a"},
        {"\x1b[>1;2C", ""},
        {"\x1b[1\x1b[B", "D+"},
        {"\x1b[1111111111111111111111111111111111111111A\x1b[B", "D+"},
        // Keyboard flags 0 to 31 only, device attributes, Ctrl+Z pressed and Ctrl+C released.
        {"\x1b[?31u\x1b[27u", "E+?31"},
        {"\x1b[?0u", "?0"},
        {"\x1b[?32u", ""},
        {"\x1b[?99999999999999999999u", ""},
        {"\x1b[?62;22c", "c"},
        {"\x1b[122;5u", "^Z"},
        {"\x1b[99;5:3u", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keysAfter(c.bytes, true, c.bytes.size()), c.seen) << testing::PrintToString(c.bytes);
        EXPECT_EQ(keysAfter(c.bytes, true, 1), c.seen) << testing::PrintToString(c.bytes) << " byte by byte";
    }
    EXPECT_EQ(keysAfter("\x1b[A\x1b[100u", false, 1), "dU"); // where no release will come, no press may hold
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
