// A terminal emulator for tests, following exactly the sequences the console
// output can contain: cursor position and steps, IND, foreground colours,
// printable ASCII and UTF-8, with autowrap and scrolling as a VT100 does.
// Anything else is recorded as an error rather than guessed at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

struct Cell {
    char32_t ch;
    short color; // console attribute 0 to 15, -1 for the terminal's own
    bool operator==(const Cell&) const = default;
};

struct Terminal {
    int cols, rows;
    std::vector<Cell> cells; // row by row
    int x, y;
    bool wrapPending;
    short color;
    std::string error;   // the first input it could not follow
    std::string partial; // an unfinished sequence or character
};

// A terminal of cols x rows showing fill in its own colour, cursor top left.
Terminal make(int cols, int rows, char32_t fill);
void feed(Terminal& t, std::string_view bytes);
const Cell& at(const Terminal& t, int x, int y);
// Row y as UTF-8.
std::string row(const Terminal& t, int y);
// Empty when both show the same cells, cursor (with its pending wrap) and
// colour; otherwise the first difference.
std::string compare(const Terminal& a, const Terminal& b);

} // namespace vt
