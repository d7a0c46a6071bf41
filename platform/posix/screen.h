// What the terminal shows, kept so that only changed cells are sent.
//
// The console calls write into a model of the screen they want (every cell the
// game has drawn: its glyph and colour, and the cursor and colour in force).
// A flush compares it with what the terminal is known to show and encodes only
// the differences, then puts the cursor and colour where writing straight
// through would have left them. Nothing here does I/O: the bytes go to a sink.
//
// The model covers the terminal's cells up to MAX_COLS x MAX_ROWS and follows
// the terminal's own rules for the cursor: moves are clamped to its size, a
// write in the last column wraps on the next write, and wrapping on the bottom
// row scrolls. Cells of a terminal larger than the model are written through
// at once, untracked.
#pragma once

#include <cstddef>
#include <cstdint>

namespace screen {

constexpr int MAX_COLS = 256;
constexpr int MAX_ROWS = 64;
constexpr int OUT_CAPACITY = 16384;

// A cell: bit 15 set once its content is known, bits 8-12 the colour plus one
// (0 for the terminal's own colour), bits 0-7 the code-page-437 glyph byte.
// 0 means unknown (shown) or never drawn (wanted).
using Cell = std::uint16_t;

// Colour values besides the console attributes 0 to 15.
constexpr short COLOR_DEFAULT = -1; // the terminal's own colour, never set
constexpr short COLOR_UNKNOWN = -2; // the terminal's colour is not known

// Receives encoded bytes when the output buffer is drained.
struct Sink {
    void (*drain)(void* context, const char* data, std::size_t size);
    void* context;
};

struct Model {
    int cols, rows; // the terminal's size; the model holds the top-left part

    // What writing straight through would have shown.
    Cell want[MAX_ROWS][MAX_COLS];
    int x, y;         // cursor, clamped to the terminal
    bool cursorKnown; // false until the first move
    bool wrapPending; // the last write was in the last column
    short color;      // COLOR_DEFAULT until set

    // What the terminal shows, as far as sent output tells.
    Cell shown[MAX_ROWS][MAX_COLS];
    int termX, termY;
    bool termCursorKnown; // false also while the terminal's wrap is pending
    bool termWrapPending; // the terminal waits to wrap after (termX, termY)
    short termColor;      // COLOR_UNKNOWN after invalidation of a coloured screen
    bool colorEverSet;    // a game that never sets a colour never gets an escape for it

    // Cells whose wanted content changed since the last flush.
    std::uint32_t dirty[MAX_ROWS * MAX_COLS]; // cell indices; sort keys in a flush
    int dirtyCount;
    bool queued[MAX_ROWS * MAX_COLS];
    bool allDirty; // compare every cell at the next flush

    // The last cell written straight through (outside the model), in case the
    // cursor must be left waiting to wrap after it.
    Cell throughCell;

    // Encoded output waiting for the sink.
    Sink sink;
    char out[OUT_CAPACITY];
    std::size_t outSize;
    int drains; // sink calls so far
};

// An empty model for a terminal of cols x rows (values below 1 count as 1):
// nothing drawn, nothing known about the terminal.
void reset(Model& m, int cols, int rows, Sink sink);
// The terminal's content can no longer be trusted (resumed after a suspend,
// or resized to cols x rows): the next flush sends every drawn cell again,
// and moves the cursor and sets the colour afresh.
void invalidate(Model& m);
void resize(Model& m, int cols, int rows);
// The player's typing (echoed by the terminal) has moved the cursor: neither
// picture knows where it is until the next move.
void handOver(Model& m);

// The console calls.
void moveTo(Model& m, int x, int y);
void setColor(Model& m, short color);
void putGlyph(Model& m, unsigned char glyph);
// Plain ASCII; other bytes show as '?' (they would move the cursor or start an
// escape sequence the model cannot follow).
void putText(Model& m, const char* text);

// Encodes the differences into the buffer and drains it into the sink in one
// call (more only when a screenful overflows the buffer). Nothing is drained
// when nothing changed.
void flush(Model& m);

// What a code-page-437 glyph byte is sent as: the character it stands for in
// UTF-8 (1 to 3 bytes). The one place that maps glyphs (glyphs.cpp).
struct Utf8 {
    std::uint8_t size;
    char bytes[3];
};
const Utf8& glyphUtf8(unsigned char glyph);

// Escape sequences as the model sends them, for writing straight through.
// Each returns the bytes written; out needs room for 16. No library calls:
// signal handlers may use them.
std::size_t encodeCursorTo(char* out, int x, int y);
std::size_t encodeColor(char* out, short color);

} // namespace screen
