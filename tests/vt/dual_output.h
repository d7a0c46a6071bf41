// The same console calls written two ways: straight through, one escape or
// character per call as a terminal layer without a model writes them, and
// through the screen model. Each stream feeds its own test terminal; at every
// flush the two must show the same.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "screen.h"
#include "vt_terminal.h"

namespace vt {

struct Dual {
    std::unique_ptr<screen::Model> model;
    std::string direct; // straight-through bytes since the last flush
    std::string diffed; // the model's bytes since the last flush
    Terminal directTerm, diffedTerm;
    std::vector<std::size_t> flushBytes;  // the model's bytes at each flush
    std::vector<std::size_t> directBytes; // straight-through bytes at each flush
    std::vector<int> flushDrains;         // sink calls at each flush
    std::string allDiffed;                // every byte the model sent
};

// Both terminals cols x rows, showing fill.
void start(Dual& d, int cols, int rows, char32_t fill = U'~');
void gotoxy(Dual& d, int x, int y);
void setColor(Dual& d, short color);
void putGlyph(Dual& d, unsigned char glyph);
void putText(Dual& d, const char* text);
// Flushes the model, feeds both terminals and returns their first difference
// (empty when none).
std::string flush(Dual& d);

} // namespace vt
