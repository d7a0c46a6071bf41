#include "screen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "glyphs.h"

namespace screen {

namespace {

short colorOf(Cell c) { return static_cast<short>(((c >> 8) & 0x1F) - 1); }

std::size_t encodeColor(char* out, short color) {
    // Console attribute bits: blue 1, green 2, red 4, intensity 8; ANSI: red 1, green 2, blue 4.
    if (color < 0) return static_cast<std::size_t>(std::sprintf(out, "\x1b[39m"));
    const int ansi = (color & 1) << 2 | (color & 2) | (color & 4) >> 2;
    return static_cast<std::size_t>(std::sprintf(out, "\x1b[%dm", (color & 8 ? 90 : 30) + ansi));
}

// The shortest move: along the row or the column when the cursor is known, else absolute.
std::size_t encodeMove(const Model& m, char* out, int x, int y) {
    if (m.termX == x && m.termY == y) return 0;
    int n = 0;
    if (m.termX >= 0 && m.termY == y) {
        n = std::sprintf(out, "\x1b[%d%c", x > m.termX ? x - m.termX : m.termX - x, x > m.termX ? 'C' : 'D');
    } else if (m.termX == x) {
        n = std::sprintf(out, "\x1b[%d%c", y > m.termY ? y - m.termY : m.termY - y, y > m.termY ? 'B' : 'A');
    } else {
        n = std::sprintf(out, "\x1b[%d;%dH", y + 1, x + 1);
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
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | c >> 6);
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | c >> 12);
    out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

} // namespace

void reset(Model& m, bool ascii) {
    std::memset(&m, 0, sizeof m);
    m.color = -1;
    m.ascii = ascii;
    invalidate(m, 0, 0);
    m.termColor = -1; // at start the terminal is in its own colour
}

void invalidate(Model& m, int cols, int rows) {
    std::memset(m.shown, 0, sizeof m.shown);
    m.cols = cols > 0 ? std::min(cols, COLS) : COLS;
    m.rows = rows > 0 ? std::min(rows, ROWS) : ROWS;
    m.termX = -1;
    m.termColor = m.colorSet ? -2 : -1;
}

void moveTo(Model& m, int x, int y) {
    m.x = x;
    m.y = y;
}

void setColor(Model& m, short color) {
    m.color = static_cast<short>(color & 15); // the foreground; no background is set
    m.colorSet = true;
}

void put(Model& m, unsigned char glyph) {
    if (m.x >= 0 && m.x < COLS && m.y >= 0 && m.y < ROWS) {
        m.want[m.y][m.x] = static_cast<Cell>(0x8000 | (m.color + 1) << 8 | glyph);
    }
    m.x++;
}

std::size_t flush(Model& m, char* out, bool cursor) {
    // Changed cells ordered by colour, the one in force first, then row by row.
    static std::uint32_t order[ROWS * COLS];
    int count = 0;
    for (int y = 0; y < m.rows; y++) {
        for (int x = 0; x < m.cols; x++) {
            const Cell c = m.want[y][x];
            if (c == 0 || c == m.shown[y][x]) continue;
            const std::uint32_t rank = colorOf(c) == m.termColor ? 0 : (c >> 8 & 0x1F) + 1;
            order[count++] = rank << 16 | static_cast<std::uint32_t>(y * COLS + x);
        }
    }
    std::sort(order, order + count);
    std::size_t n = 0;
    for (int i = 0; i < count; i++) {
        const int x = static_cast<int>(order[i] & 0xFFFF) % COLS;
        const int y = static_cast<int>(order[i] & 0xFFFF) / COLS;
        const Cell c = m.want[y][x];
        n += encodeMove(m, out + n, x, y);
        if (colorOf(c) != m.termColor) n += encodeColor(out + n, m.termColor = colorOf(c));
        n += encodeGlyph(m, out + n, static_cast<unsigned char>(c & 0xFF));
        m.shown[y][x] = c;
        m.termY = y;
        m.termX = x + 1 < m.cols ? x + 1 : -1; // in the last column the terminal waits to wrap
    }
    if (cursor) {
        const int x = std::clamp(m.x, 0, m.cols - 1);
        const int y = std::clamp(m.y, 0, m.rows - 1);
        n += encodeMove(m, out + n, x, y);
        m.termX = x;
        m.termY = y;
        if (m.colorSet && m.termColor != m.color) n += encodeColor(out + n, m.termColor = m.color);
    }
    return n;
}

} // namespace screen
