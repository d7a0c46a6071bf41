#include "vt_terminal.h"

#include <algorithm>
#include <cstdio>

namespace vt {

namespace {

Cell& cellAt(Terminal& t, int x, int y) { return t.cells[static_cast<std::size_t>(y * t.cols + x)]; }

void fail(Terminal& t, const std::string& what) {
    if (t.error.empty()) t.error = what;
}

void scroll(Terminal& t) {
    std::move(t.cells.begin() + t.cols, t.cells.end(), t.cells.begin());
    std::fill(t.cells.end() - t.cols, t.cells.end(), Cell{U' ', -1});
}

void print(Terminal& t, char32_t ch) {
    if (t.wrapPending) {
        t.wrapPending = false;
        t.x = 0;
        if (t.y + 1 < t.rows) {
            t.y++;
        } else {
            scroll(t);
        }
    }
    cellAt(t, t.x, t.y) = {ch, t.color};
    if (t.x + 1 == t.cols) {
        t.wrapPending = true;
    } else {
        t.x++;
    }
}

short fromAnsi(int n) {
    const int base = n >= 90 ? n - 90 : n - 30;
    const int attr = (base & 1) << 2 | (base & 2) | (base & 4) >> 2;
    return static_cast<short>(n >= 90 ? attr | 8 : attr);
}

// ESC [ params final
void control(Terminal& t, const std::string& params, char final) {
    std::vector<int> p;
    int value = -1;
    for (char c : params) {
        if (c == ';') {
            p.push_back(value);
            value = -1;
        } else if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
        } else {
            return fail(t, "parameter byte in ESC[" + params + final);
        }
    }
    p.push_back(value);
    auto arg = [&](std::size_t i) { return i < p.size() && p[i] > 0 ? p[i] : 1; };
    switch (final) {
        case 'H':
            if (p.size() > 2) return fail(t, "CUP with three parameters");
            t.y = std::min(arg(0), t.rows) - 1;
            t.x = std::min(arg(1), t.cols) - 1;
            break;
        case 'A': t.y = std::max(t.y - arg(0), 0); break;
        case 'B': t.y = std::min(t.y + arg(0), t.rows - 1); break;
        case 'C': t.x = std::min(t.x + arg(0), t.cols - 1); break;
        case 'D': t.x = std::max(t.x - arg(0), 0); break;
        case 'm':
            for (int n : p) {
                if (n <= 0 || n == 39) {
                    t.color = -1;
                } else if ((n >= 30 && n <= 37) || (n >= 90 && n <= 97)) {
                    t.color = fromAnsi(n);
                } else {
                    fail(t, "SGR " + std::to_string(n));
                }
            }
            return; // colours leave a pending wrap alone
        default: return fail(t, std::string("ESC[") + params + final);
    }
    t.wrapPending = false;
}

} // namespace

Terminal make(int cols, int rows, char32_t fill) {
    Terminal t{};
    t.cols = cols;
    t.rows = rows;
    t.cells.assign(static_cast<std::size_t>(cols * rows), Cell{fill, -1});
    t.color = -1;
    return t;
}

void feed(Terminal& t, std::string_view bytes) {
    std::string& s = t.partial;
    for (char byte : bytes) {
        s += byte;
        const unsigned char lead = static_cast<unsigned char>(s[0]);
        if (lead == 0x1b) {
            if (s.size() < 2) continue;
            if (s[1] == 'D') {
                if (t.y + 1 == t.rows) {
                    scroll(t);
                } else {
                    t.y++;
                }
                t.wrapPending = false;
            } else if (s[1] == '[') {
                const char last = s.back();
                if (s.size() < 3 || (last >= '0' && last <= '9') || last == ';') continue;
                control(t, s.substr(2, s.size() - 3), last);
            } else {
                fail(t, "ESC " + s.substr(1));
            }
        } else if (lead >= 0x20 && lead < 0x7f) {
            print(t, lead);
        } else if (lead >= 0xc0 && lead < 0xf0) {
            const std::size_t need = lead >= 0xe0 ? 3 : 2;
            if (s.size() < need) continue;
            char32_t ch = lead & (need == 3 ? 0x0f : 0x1f);
            for (std::size_t i = 1; i < need; i++) ch = ch << 6 | (static_cast<unsigned char>(s[i]) & 0x3f);
            print(t, ch);
        } else {
            char what[32];
            std::snprintf(what, sizeof what, "byte 0x%02x", lead);
            fail(t, what);
        }
        s.clear();
    }
}

const Cell& at(const Terminal& t, int x, int y) { return t.cells[static_cast<std::size_t>(y * t.cols + x)]; }

std::string row(const Terminal& t, int y) {
    std::string out;
    for (int x = 0; x < t.cols; x++) {
        const char32_t c = at(t, x, y).ch;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xe0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

std::string compare(const Terminal& a, const Terminal& b) {
    if (!a.error.empty() || !b.error.empty()) return "cannot follow: " + a.error + " / " + b.error;
    if (a.cols != b.cols || a.rows != b.rows) return "sizes differ";
    for (int y = 0; y < a.rows; y++) {
        for (int x = 0; x < a.cols; x++) {
            const Cell& p = at(a, x, y);
            const Cell& q = at(b, x, y);
            if (p == q) continue;
            char what[96];
            std::snprintf(what, sizeof what, "cell (%d, %d): U+%04X colour %d vs U+%04X colour %d", x, y,
                          static_cast<unsigned>(p.ch), p.color, static_cast<unsigned>(q.ch), q.color);
            return what;
        }
    }
    if (a.x != b.x || a.y != b.y || a.wrapPending != b.wrapPending) {
        char what[96];
        std::snprintf(what, sizeof what, "cursor (%d, %d%s) vs (%d, %d%s)", a.x, a.y,
                      a.wrapPending ? ", wrap pending" : "", b.x, b.y, b.wrapPending ? ", wrap pending" : "");
        return what;
    }
    if (a.color != b.color) return "colour " + std::to_string(a.color) + " vs " + std::to_string(b.color);
    if (!a.partial.empty() || !b.partial.empty()) return "a sequence is cut short";
    return {};
}

} // namespace vt
