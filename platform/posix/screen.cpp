#include "screen.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "glyphs.h"

namespace screen {

namespace {

// Every glyph shows as ASCII or as a character of three bytes in UTF-8.
static_assert(std::ranges::all_of(GLYPH_FORMS, [](GlyphForm f) { return f.character >= 0x800; }));

// Encodes a change of the terminal's colour, unless it is known to be in force already.
std::size_t switchColor(Model& m, char* out, short color) {
    if (m.colorKnown && m.termColor == color) return 0;
    m.colorKnown = true;
    m.termColor = color;
    if (color == OWN_COLOR) return static_cast<std::size_t>(std::sprintf(out, "\x1b[39m"));
    // Console attribute bits: blue 1, green 2, red 4, intensity 8; ANSI: red 1, green 2, blue 4.
    const int ansi = (color & 1) << 2 | (color & 2) | (color & 4) >> 2;
    return static_cast<std::size_t>(std::sprintf(out, "\x1b[%dm", (color & 8 ? 90 : 30) + ansi));
}

// Encodes a move of the terminal's cursor, the shortest way: along the row or
// the column when it is known, else to an absolute place.
std::size_t moveCursor(Model& m, char* out, int x, int y) {
    const bool known = m.cursorKnown;
    const int dx = x - m.termX;
    const int dy = y - m.termY;
    m.cursorKnown = true;
    m.termX = x;
    m.termY = y;
    int n = 0; // already there
    if (!known || (dx != 0 && dy != 0)) {
        n = std::sprintf(out, "\x1b[%d;%dH", y + 1, x + 1);
    } else if (dx != 0) {
        n = std::sprintf(out, "\x1b[%d%c", std::abs(dx), dx > 0 ? 'C' : 'D');
    } else if (dy != 0) {
        n = std::sprintf(out, "\x1b[%d%c", std::abs(dy), dy > 0 ? 'B' : 'A');
    }
    return static_cast<std::size_t>(n);
}

std::size_t encodeGlyph(const Model& m, char* out, unsigned char glyph) {
    const GlyphForm f = glyphForm(glyph);
    const unsigned c = f.character;
    if (m.ascii || c < 0x80) {
        out[0] = m.ascii ? f.ascii : static_cast<char>(c);
        return 1;
    }
    out[0] = static_cast<char>(0xE0 | c >> 12);
    out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

bool changed(const Model& m, int x, int y) { return m.want[y][x].drawn && m.want[y][x] != m.shown[y][x]; }

// Sends the changed cells of one colour, row by row.
std::size_t sendCellsIn(Model& m, char* out, short color) {
    std::size_t n = 0;
    for (int y = 0; y < m.rows; y++) {
        for (int x = 0; x < m.cols; x++) {
            if (!changed(m, x, y) || m.want[y][x].color != color) continue;
            n += moveCursor(m, out + n, x, y);
            n += switchColor(m, out + n, color);
            n += encodeGlyph(m, out + n, m.want[y][x].glyph);
            m.shown[y][x] = m.want[y][x];
            m.termX = x + 1;
            m.cursorKnown = x + 1 < m.cols; // in the last column the terminal waits to wrap
        }
    }
    return n;
}

// Colour by colour, the one in force first, so that a flush sets each colour once.
// Its payoff (bench/play_pty.py, two players): 66 bytes a frame where row by row sends 78.
std::size_t sendByColor(Model& m, char* out) {
    std::size_t n = 0;
    if (m.colorKnown) n += sendCellsIn(m, out, m.termColor);
    for (int y = 0; y < m.rows; y++) {
        for (int x = 0; x < m.cols; x++) {
            if (changed(m, x, y)) n += sendCellsIn(m, out + n, m.want[y][x].color);
        }
    }
    return n;
}

} // namespace

void reset(Model& m, bool ascii) {
    m = Model{};
    m.color = OWN_COLOR;
    m.ascii = ascii;
}

void invalidate(Model& m, int cols, int rows) {
    for (auto& row : m.shown) std::fill(std::begin(row), std::end(row), Cell{});
    m.cols = cols > 0 ? std::min(cols, COLS) : COLS;
    m.rows = rows > 0 ? std::min(rows, ROWS) : ROWS;
    m.cursorKnown = false;
    // A game that never set a colour has sent none; else a clear may or may not have kept it.
    m.colorKnown = m.color == OWN_COLOR;
    m.termColor = OWN_COLOR;
}

void moveTo(Model& m, int x, int y) {
    m.x = x;
    m.y = y;
}

void setColor(Model& m, short color) {
    m.color = static_cast<short>(color & 15); // the foreground; no background is set
}

void put(Model& m, unsigned char glyph) {
    if (m.x >= 0 && m.x < COLS && m.y >= 0 && m.y < ROWS) m.want[m.y][m.x] = Cell{true, glyph, m.color};
    m.x++;
}

std::size_t flush(Model& m, char* out, bool cursor) {
    std::size_t n = sendByColor(m, out);
    if (cursor) {
        n += moveCursor(m, out + n, std::clamp(m.x, 0, m.cols - 1), std::clamp(m.y, 0, m.rows - 1));
        n += switchColor(m, out + n, m.color);
    }
    return n;
}

} // namespace screen
