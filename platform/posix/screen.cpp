#include "screen.h"

#include <algorithm>
#include <cstring>

namespace screen {

namespace {

constexpr Cell KNOWN = 0x8000;
constexpr int CELLS = MAX_ROWS * MAX_COLS;
// Room for the longest single emission (a move, a colour and a glyph).
constexpr std::size_t EMIT_ROOM = 48;
// Longest run of known cells re-sent instead of a cursor move.
constexpr int RESEND_LIMIT = 8;

Cell makeCell(unsigned char glyph, short color) {
    return static_cast<Cell>(KNOWN | ((color + 1) & 0x1F) << 8 | glyph);
}
unsigned char glyphOf(Cell c) { return static_cast<unsigned char>(c & 0xFF); }
short colorOf(Cell c) { return static_cast<short>(((c >> 8) & 0x1F) - 1); }

int digits(int n) { return n >= 100 ? 3 + (n >= 1000) + (n >= 10000) : 1 + (n >= 10); }

std::size_t putNumber(char* out, int n) {
    char tmp[12];
    std::size_t len = 0;
    do {
        tmp[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    for (std::size_t i = 0; i < len; i++) out[i] = tmp[len - 1 - i];
    return len;
}

// CUU/CUD/CUF/CUB: ESC [ n letter, with n left out when it is 1.
std::size_t encodeStep(char* out, int n, char letter) {
    std::size_t len = 0;
    out[len++] = '\x1b';
    out[len++] = '[';
    if (n != 1) len += putNumber(out + len, n);
    out[len++] = letter;
    return len;
}
int stepCost(int n) { return n == 1 ? 3 : 3 + digits(n); }
int cursorToCost(int x, int y) {
    if (x == 0) return y == 0 ? 3 : 3 + digits(y + 1);
    return 5 + digits(y + 1) + digits(x + 1);
}

void drain(Model& m) {
    if (m.outSize == 0) return;
    m.sink.drain(m.sink.context, m.out, m.outSize);
    m.outSize = 0;
    m.drains++;
}

char* room(Model& m) {
    if (m.outSize + EMIT_ROOM > sizeof m.out) drain(m);
    return m.out + m.outSize;
}

bool inModel(int x, int y) { return x < MAX_COLS && y < MAX_ROWS; }

void emitColor(Model& m, short color) {
    m.outSize += encodeColor(room(m), color);
    m.termColor = color;
}

void emitUtf8(Model& m, unsigned char glyph) {
    const Utf8& u = glyphUtf8(glyph);
    char* out = room(m);
    std::memcpy(out, u.bytes, u.size);
    m.outSize += u.size;
}

// The terminal's cursor after a glyph at (x, y): the next cell, or waiting to
// wrap in the last column, when no relative move can be trusted.
void advanceTerm(Model& m, int x, int y) {
    m.termY = y;
    if (x + 1 >= m.cols) {
        m.termX = x;
        m.termCursorKnown = false;
        m.termWrapPending = true;
    } else {
        m.termX = x + 1;
        m.termCursorKnown = true;
        m.termWrapPending = false;
    }
}

// Bytes to re-send the known cells from the cursor up to x, or -1 when they
// are not all known and in the colour in force.
int resendCost(const Model& m, int x) {
    if (x - m.termX > RESEND_LIMIT || !inModel(x, m.termY) || m.termColor == COLOR_UNKNOWN) return -1;
    int cost = 0;
    for (int cx = m.termX; cx < x; cx++) {
        const Cell c = m.shown[m.termY][cx];
        if (c == 0 || colorOf(c) != m.termColor) return -1;
        cost += glyphUtf8(glyphOf(c)).size;
    }
    return cost;
}

// Moves the terminal's cursor to (x, y) by the shortest sequence.
void moveTerm(Model& m, int x, int y) {
    if (m.termCursorKnown && m.termX == x && m.termY == y) return;
    char* out = room(m);
    std::size_t len = 0;
    const int absolute = cursorToCost(x, y);
    if (m.termCursorKnown) {
        const int dx = x - m.termX;
        const int dy = y - m.termY;
        const int relative = (dx ? stepCost(dx < 0 ? -dx : dx) : 0) + (dy ? stepCost(dy < 0 ? -dy : dy) : 0);
        const int resend = dy == 0 && dx > 0 ? resendCost(m, x) : -1;
        if (resend >= 0 && resend < relative && resend < absolute) {
            for (int cx = m.termX; cx < x; cx++) emitUtf8(m, glyphOf(m.shown[y][cx]));
        } else if (relative < absolute) {
            if (dy) len += encodeStep(out + len, dy < 0 ? -dy : dy, dy < 0 ? 'A' : 'B');
            if (dx) len += encodeStep(out + len, dx < 0 ? -dx : dx, dx < 0 ? 'D' : 'C');
        } else {
            len = encodeCursorTo(out, x, y);
        }
    } else {
        len = encodeCursorTo(out, x, y);
    }
    m.outSize += len;
    m.termX = x;
    m.termY = y;
    m.termCursorKnown = true;
    m.termWrapPending = false;
}

// Sends one cell as it is wanted; the cursor is moved to it first.
void sendCell(Model& m, int x, int y, Cell c) {
    moveTerm(m, x, y);
    if (m.termColor != colorOf(c)) emitColor(m, colorOf(c));
    emitUtf8(m, glyphOf(c));
    if (inModel(x, y)) m.shown[y][x] = c;
    advanceTerm(m, x, y);
}

void setWant(Model& m, int x, int y, Cell c) {
    Cell& w = m.want[y][x];
    if (w == c) return;
    w = c;
    const int index = y * MAX_COLS + x;
    if (m.queued[index]) return;
    m.queued[index] = true;
    m.dirty[m.dirtyCount++] = static_cast<std::uint32_t>(index);
}

// Writes one cell outside the model straight away, in a form that does not
// depend on what the terminal's cursor and colour were.
void sendThrough(Model& m, int x, int y, Cell c) {
    m.termCursorKnown = false;
    moveTerm(m, x, y);
    if (m.colorEverSet) emitColor(m, colorOf(c));
    emitUtf8(m, glyphOf(c));
    advanceTerm(m, x, y);
    m.throughCell = c;
}

// Writing on after the last column of the bottom row scrolls the terminal:
// scroll it now (IND on the bottom row) and both pictures of it with it, so
// the cells drawn before stay where the scroll takes them.
void scrollUp(Model& m) {
    const int bottom = m.rows - 1;
    if (!(m.termCursorKnown && m.termY == bottom)) {
        m.termCursorKnown = false;
        moveTerm(m, 0, bottom);
    }
    char* out = room(m);
    out[0] = '\x1b';
    out[1] = 'D';
    m.outSize += 2;

    const int last = std::min(m.rows, MAX_ROWS) - 1;
    for (int y = 0; y < last; y++) {
        std::memcpy(m.want[y], m.want[y + 1], sizeof m.want[y]);
        std::memcpy(m.shown[y], m.shown[y + 1], sizeof m.shown[y]);
    }
    // The row scrolled in is blank, unless it comes from below the model.
    const Cell fill = m.rows <= MAX_ROWS ? makeCell(' ', COLOR_DEFAULT) : 0;
    for (int x = 0; x < MAX_COLS; x++) {
        m.want[last][x] = m.shown[last][x] = x < m.cols ? fill : 0;
    }
    m.allDirty = true; // the queued indices point at rows that moved
}

} // namespace

void reset(Model& m, int cols, int rows, Sink sink) {
    std::memset(&m, 0, sizeof m);
    m.cols = std::max(cols, 1);
    m.rows = std::max(rows, 1);
    m.color = COLOR_DEFAULT;
    m.termColor = COLOR_DEFAULT;
    m.sink = sink;
}

void invalidate(Model& m) {
    std::memset(m.shown, 0, sizeof m.shown);
    m.termCursorKnown = false;
    m.termWrapPending = false;
    m.termColor = m.colorEverSet ? COLOR_UNKNOWN : COLOR_DEFAULT;
    m.allDirty = true;
}

void resize(Model& m, int cols, int rows) {
    const int oldCols = m.cols;
    const int oldY = m.y;
    m.cols = std::max(cols, 1);
    m.rows = std::max(rows, 1);
    m.x = std::min(m.x, m.cols - 1);
    m.y = std::min(m.y, m.rows - 1);
    // The cursor is clamped as the terminal clamps it; a wrap can still be
    // pending only where the last column stayed the last.
    m.wrapPending = m.wrapPending && m.cols == oldCols && m.y == oldY;
    invalidate(m);
}

void handOver(Model& m) {
    m.cursorKnown = false;
    m.wrapPending = false;
    m.termCursorKnown = false;
    m.termWrapPending = false;
}

void moveTo(Model& m, int x, int y) {
    // As the terminal does with a cursor position outside it.
    m.x = std::clamp(x, 0, m.cols - 1);
    m.y = std::clamp(y, 0, m.rows - 1);
    m.cursorKnown = true;
    m.wrapPending = false;
}

void setColor(Model& m, short color) {
    m.color = static_cast<short>(color & 15); // the foreground; no background is set
    m.colorEverSet = true;
}

void putGlyph(Model& m, unsigned char glyph) {
    if (!m.cursorKnown) {
        // Before the first move (and after handOver) the cursor is wherever
        // the terminal has it: write there, untracked.
        if (m.termColor != m.color) emitColor(m, m.color);
        emitUtf8(m, glyph);
        m.termCursorKnown = false;
        m.termWrapPending = false;
        return;
    }
    if (m.wrapPending) {
        m.wrapPending = false;
        m.x = 0;
        if (m.y + 1 < m.rows) {
            m.y++;
        } else {
            scrollUp(m);
        }
    }
    const Cell c = makeCell(glyph, m.color);
    if (inModel(m.x, m.y)) {
        setWant(m, m.x, m.y, c);
    } else {
        sendThrough(m, m.x, m.y, c);
    }
    if (m.x + 1 >= m.cols) {
        m.wrapPending = true;
    } else {
        m.x++;
    }
}

void putText(Model& m, const char* text) {
    for (; *text != '\0'; text++) {
        const unsigned char c = static_cast<unsigned char>(*text);
        putGlyph(m, c >= 0x20 && c < 0x7F ? c : '?');
    }
}

void flush(Model& m) {
    const int cols = std::min(m.cols, MAX_COLS);
    const int rows = std::min(m.rows, MAX_ROWS);
    // Cells go out grouped by colour, the colour in force first and the one
    // to leave in force last, so each colour is set at most once. The cell the
    // cursor follows goes last of all, so the cursor needs no final move.
    int cursorCell = -1;
    if (m.cursorKnown && inModel(m.x, m.y)) {
        if (m.wrapPending) {
            cursorCell = m.y * MAX_COLS + m.x;
        } else if (m.x > 0) {
            cursorCell = m.y * MAX_COLS + m.x - 1;
        }
    }
    const short firstColor = m.termColor;
    const short lastColor = m.color;
    int count = 0;
    auto consider = [&](int index) {
        const int x = index % MAX_COLS;
        const int y = index / MAX_COLS;
        const Cell c = m.want[y][x];
        if (x >= cols || y >= rows || c == 0 || c == m.shown[y][x]) return;
        const short color = colorOf(c);
        std::uint32_t rank = 1;
        if (index == cursorCell && (m.wrapPending || color == lastColor)) {
            rank = 3;
        } else if (color == lastColor) {
            rank = 2;
        } else if (color == firstColor) {
            rank = 0;
        }
        m.dirty[count++] = rank << 20 | static_cast<std::uint32_t>(color + 1) << 14 |
                           static_cast<std::uint32_t>(index);
    };
    if (m.allDirty) {
        std::memset(m.queued, 0, sizeof m.queued);
        for (int y = 0; y < rows; y++) {
            for (int x = 0; x < cols; x++) consider(y * MAX_COLS + x);
        }
        m.allDirty = false;
    } else {
        for (int i = 0; i < m.dirtyCount; i++) {
            const int index = static_cast<int>(m.dirty[i]);
            m.queued[index] = false;
            consider(index);
        }
    }
    m.dirtyCount = 0;
    std::sort(m.dirty, m.dirty + count);

    for (int i = 0; i < count; i++) {
        const int index = static_cast<int>(m.dirty[i] & (CELLS - 1));
        const int x = index % MAX_COLS;
        const int y = index / MAX_COLS;
        sendCell(m, x, y, m.want[y][x]);
    }

    // Leave the cursor and colour as writing straight through would have.
    if (m.cursorKnown) {
        if (m.wrapPending) {
            if (!(m.termWrapPending && m.termX == m.x && m.termY == m.y)) {
                sendCell(m, m.x, m.y, inModel(m.x, m.y) ? m.want[m.y][m.x] : m.throughCell);
            }
        } else {
            moveTerm(m, m.x, m.y);
        }
    }
    if (m.colorEverSet && m.termColor != m.color) emitColor(m, m.color);
    drain(m);
}

std::size_t encodeCursorTo(char* out, int x, int y) {
    std::size_t len = 0;
    out[len++] = '\x1b';
    out[len++] = '[';
    if (x > 0 || y > 0) len += putNumber(out + len, std::max(y, 0) + 1);
    if (x > 0) {
        out[len++] = ';';
        len += putNumber(out + len, x + 1);
    }
    out[len++] = 'H';
    return len;
}

std::size_t encodeColor(char* out, short color) {
    // Console attribute bits: blue 1, green 2, red 4, intensity 8; ANSI
    // numbers red 1, green 2, blue 4.
    std::size_t len = 0;
    out[len++] = '\x1b';
    out[len++] = '[';
    if (color < 0) {
        out[len++] = '3';
        out[len++] = '9';
    } else {
        const int ansi = (color & 1) << 2 | (color & 2) | (color & 4) >> 2;
        len += putNumber(out + len, (color & 8 ? 90 : 30) + ansi);
    }
    out[len++] = 'm';
    return len;
}

} // namespace screen
