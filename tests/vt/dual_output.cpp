#include "dual_output.h"

namespace vt {

namespace {
void append(void* context, const char* data, std::size_t size) {
    static_cast<std::string*>(context)->append(data, size);
}
} // namespace

void start(Dual& d, int cols, int rows, char32_t fill) {
    if (!d.model) d.model = std::make_unique<screen::Model>();
    screen::reset(*d.model, cols, rows, {append, &d.diffed});
    d.direct.clear();
    d.diffed.clear();
    d.directTerm = make(cols, rows, fill);
    d.diffedTerm = make(cols, rows, fill);
    d.flushBytes.clear();
    d.directBytes.clear();
    d.flushDrains.clear();
    d.allDiffed.clear();
}

void gotoxy(Dual& d, int x, int y) {
    char out[32];
    d.direct.append(out, screen::encodeCursorTo(out, x, y));
    screen::moveTo(*d.model, x, y);
}

void setColor(Dual& d, short color) {
    char out[32];
    d.direct.append(out, screen::encodeColor(out, color));
    screen::setColor(*d.model, color);
}

void putGlyph(Dual& d, unsigned char glyph) {
    const screen::Utf8& u = screen::glyphUtf8(glyph);
    d.direct.append(u.bytes, u.size);
    screen::putGlyph(*d.model, glyph);
}

void putText(Dual& d, const char* text) {
    for (const char* c = text; *c; c++) {
        const unsigned char g = static_cast<unsigned char>(*c);
        d.direct += g >= 0x20 && g < 0x7f ? *c : '?';
    }
    screen::putText(*d.model, text);
}

std::string flush(Dual& d) {
    const int drains = d.model->drains;
    screen::flush(*d.model);
    d.flushDrains.push_back(d.model->drains - drains);
    d.flushBytes.push_back(d.diffed.size());
    d.directBytes.push_back(d.direct.size());
    feed(d.directTerm, d.direct);
    feed(d.diffedTerm, d.diffed);
    d.allDiffed += d.diffed;
    d.direct.clear();
    d.diffed.clear();
    return compare(d.directTerm, d.diffedTerm);
}

} // namespace vt
