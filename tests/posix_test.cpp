// The terminal layer's pure parts: the key and reply parser, fed whole and
// byte by byte; and the screen model, whose terminal (libvterm) must show what
// a second one shows when each call is written straight through to it.
#include <gtest/gtest.h>
#include <vterm.h>

#include <clocale>
#include <cuchar>

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

// The colours the games use, as a terminal is told them: dark grey, light
// cyan, light red, yellow.
const std::pair<short, const char*> COLORS[] = {{8, "\33[90m"}, {11, "\33[96m"}, {12, "\33[91m"}, {14, "\33[93m"}};

void write(VTerm* vt, const std::string& bytes) { vterm_input_write(vt, bytes.data(), bytes.size()); }

// The screen as the player sees it: each row's characters, then their colours
// ('.' the terminal's own, else its palette index).
std::string picture(VTerm* vt, int cols, int rows) {
    std::string text;
    for (int y = 0; y < rows; y++) {
        std::string colors = " ";
        for (int x = 0; x < cols; x++) {
            char c[8] = " ";
            VTermScreenCell cell;
            vterm_screen_get_text(vterm_obtain_screen(vt), c, 8, {y, y + 1, x, x + 1});
            vterm_screen_get_cell(vterm_obtain_screen(vt), {y, x}, &cell);
            text += c;
            colors += *c == ' '                             ? ' '
                      : VTERM_COLOR_IS_DEFAULT_FG(&cell.fg) ? '.'
                                                            : "0123456789abcdef"[cell.fg.indexed.idx & 15];
        }
        text += colors + "\n";
    }
    return text;
}

TEST(Screen, ShowsWhatWritingStraightThroughShows) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    screen::Model m;
    char out[screen::OUT_MAX];
    // Terminals larger and smaller than the model, UTF-8 and ASCII, with colour
    // and without, of a size told to the model or unknown to it.
    const struct {
        int cols, rows;
        bool ascii, color, sized;
    } terminals[] = {{80, 24, false, true, true},
                     {120, 40, true, true, false},
                     {60, 20, false, true, true},
                     {80, 24, false, false, true}};
    for (const auto& t : terminals) {
        const int cols = std::min(t.cols, screen::COLS);
        const int rows = std::min(t.rows, screen::ROWS);
        VTerm* drawn = vterm_new(t.rows, t.cols);
        // Room for every write: nothing wraps.
        VTerm* straight = vterm_new(rows * 2, cols * 2);
        for (VTerm* vt : {drawn, straight}) {
            vterm_set_utf8(vt, 1);
            vterm_screen_reset(vterm_obtain_screen(vt), 1);
        }
        const auto moveTo = [&](int x, int y) {
            screen::moveTo(m, x, y);
            write(straight, "\33[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H");
        };
        screen::reset(m, t.ascii);
        for (int frame = 0; frame < 300; frame++) {
            // A start or a continue, or the player typed: the terminal cleared, the model told so.
            if (frame % 7 == 0) {
                write(drawn, "\33[H\33[2J");
                screen::invalidate(m, t.sized ? t.cols : 0, t.sized ? t.rows : 0);
            }
            // Any glyph byte anywhere, some beyond the edges.
            int x = 0;
            int y = 0;
            for (int op = 0; op < 8; op++) {
                x = std::rand() % (cols + 2);
                y = std::rand() % (rows + 2);
                moveTo(x, y);
                if (t.color && std::rand() % 3 == 0) {
                    const auto& [color, ansi] = COLORS[std::rand() % 4];
                    screen::setColor(m, color);
                    write(straight, ansi);
                }
                for (int n = std::rand() % 4; n > 0; n--) {
                    const GlyphForm f = glyphForm(std::rand() % 256);
                    char bytes[8] = {f.ascii};
                    screen::put(m, f.glyph);
                    write(straight, std::string(bytes, t.ascii ? 1 : std::c16rtomb(bytes, f.character, nullptr)));
                    x++;
                }
            }
            const bool cursor = frame % 7 == 6;
            write(drawn, std::string(out, screen::flush(m, out, cursor)));
            EXPECT_EQ(screen::flush(m, out, cursor), 0u) << "frame " << frame << " sends again what it sent";
            // The player's typing shows at the game's cursor (or the cell on the
            // screen nearest it), in the game's colour.
            if (cursor) {
                moveTo(std::min(x, cols - 1), std::min(y, rows - 1));
                screen::put(m, '#');
                write(drawn, "#");
                write(straight, "#");
            }
            ASSERT_EQ(picture(drawn, cols, rows), picture(straight, cols, rows)) << "frame " << frame;
        }
        vterm_free(drawn);
        vterm_free(straight);
    }
}
