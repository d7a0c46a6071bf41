// The screen model against writing straight through, both shown on test
// terminals: random writes on small terminals, the edges of the model, and
// what must (and must not) be sent.
#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

#include "dual_output.h"
#include "screen.h"
#include "vt_terminal.h"

namespace {

// Glyphs few enough that cells are often rewritten with what they show.
constexpr unsigned char GLYPHS[] = {' ', 'a', '7', 0xBA, 0xCD, 0xDB, 0x02, 0x10, 0x1E};
constexpr short COLORS[] = {8, 11, 12, 14, 0, 7, 15};

void randomWrites(vt::Dual& d, std::mt19937& rng, int ops, bool colors, int minX, int minY) {
    const int cols = d.directTerm.cols;
    const int rows = d.directTerm.rows;
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int op = 0; op < ops; op++) {
        switch (pick(0, 9)) {
            case 0:
            case 1:
            case 2: vt::gotoxy(d, pick(minX - 2, cols + 2), pick(minY - 2, rows + 1)); break;
            case 3:
                if (colors) vt::setColor(d, COLORS[pick(0, 6)]);
                break;
            case 4:
            case 5:
            case 6: vt::putGlyph(d, GLYPHS[pick(0, 8)]); break;
            case 7: {
                char text[48];
                const int n = pick(0, std::min(cols + 3, 40));
                for (int i = 0; i < n; i++) text[i] = static_cast<char>(pick('0', '9'));
                text[n] = '\0';
                vt::putText(d, text);
                break;
            }
            default: {
                const std::string diff = vt::flush(d);
                ASSERT_EQ(diff, "") << "op " << op << ", " << cols << "x" << rows;
                ASSERT_LE(d.flushDrains.back(), 1);
            }
        }
    }
    const std::string diff = vt::flush(d);
    ASSERT_EQ(diff, "") << "last flush, " << cols << "x" << rows;
}

TEST(ScreenModel, RandomWritesShowAsWritingStraightThrough) {
    // Small terminals make wrapping, scrolling and clamped moves common.
    std::mt19937 rng(20240601);
    vt::Dual d;
    for (int round = 0; round < 400; round++) {
        const int cols = std::uniform_int_distribution<int>(1, 24)(rng);
        const int rows = std::uniform_int_distribution<int>(1, 7)(rng);
        vt::start(d, cols, rows);
        randomWrites(d, rng, 150, true, 0, 0);
        if (HasFatalFailure()) return;
    }
}

TEST(ScreenModel, TerminalLargerThanTheModelGetsItsOuterCellsStraightThrough) {
    std::mt19937 rng(77);
    vt::Dual d;
    for (int round = 0; round < 30; round++) {
        // Writes around the model's right and bottom edges and the terminal's.
        vt::start(d, screen::MAX_COLS + 20, screen::MAX_ROWS + 3);
        randomWrites(d, rng, 200, round % 2 == 0, screen::MAX_COLS - 8, screen::MAX_ROWS - 3);
        if (HasFatalFailure()) return;
    }
}

TEST(ScreenModel, GameWithoutColoursNeverSendsAColourEscape) {
    std::mt19937 rng(5);
    vt::Dual d;
    const std::regex sgr("\x1b\\[[0-9;]*m");
    for (int round = 0; round < 50; round++) {
        vt::start(d, 20, 6);
        randomWrites(d, rng, 150, false, 0, 0);
        if (HasFatalFailure()) return;
        screen::invalidate(*d.model); // a resume must not bring one in either
        vt::putGlyph(d, 'x');
        ASSERT_EQ(vt::flush(d), "");
        EXPECT_FALSE(std::regex_search(d.allDiffed, sgr)) << "round " << round;
    }
}

TEST(ScreenModel, SendsOnlyWhatChanged) {
    vt::Dual d;
    vt::start(d, 80, 24);
    vt::setColor(d, 11);
    vt::gotoxy(d, 10, 5);
    vt::putText(d, "abc");
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(d.flushBytes.back(), 15u); // ESC[6;11H ESC[96m abc

    // Rewriting what is shown, even through a different content in between
    // (a tail erased and redrawn in one frame), sends nothing at all.
    vt::gotoxy(d, 10, 5);
    vt::putText(d, "a c");
    vt::gotoxy(d, 10, 5);
    vt::putText(d, "abc");
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(d.flushBytes.back(), 0u);
    EXPECT_EQ(d.flushDrains.back(), 0);

    // One changed cell costs a move and its character; the cursor ends after
    // it, where the writes left it.
    vt::gotoxy(d, 11, 5);
    vt::putText(d, "X");
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(d.flushBytes.back(), 5u); // ESC[2D X
    EXPECT_EQ(d.flushDrains.back(), 1);

    // A colour change alone is sent: typed input echoes in it.
    vt::setColor(d, 12);
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(d.flushBytes.back(), 5u);
}

TEST(ScreenModel, ShortReadoutOverALongerOneLeavesItsTail) {
    vt::Dual d;
    vt::start(d, 80, 24);
    vt::gotoxy(d, 0, 20);
    vt::putText(d, "12FPS");
    ASSERT_EQ(vt::flush(d), "");
    vt::gotoxy(d, 0, 20);
    vt::putText(d, "9FPS");
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(vt::row(d.diffedTerm, 20).substr(0, 6), "9FPSS~");
}

TEST(ScreenModel, AfterInvalidationEveryDrawnCellIsSentAgain) {
    std::mt19937 rng(9);
    vt::Dual d;
    for (int round = 0; round < 40; round++) {
        const int cols = 6 + round % 20;
        const int rows = 3 + round % 5;
        vt::start(d, cols, rows);
        // Writes before the first move land wherever the shell left the
        // cursor; they are not in the model, and no game makes them.
        // Rounds without colour, with many, and with one set once.
        vt::gotoxy(d, 0, 0);
        if (round % 3 == 2) vt::setColor(d, 11);
        randomWrites(d, rng, 120, round % 3 == 1, 0, 0);
        if (HasFatalFailure()) return;

        // The terminal lost what it showed (or was resized): a blank one fed
        // only what the next flush sends must show every cell drawn so far,
        // with the cursor and colour where straight-through writing left them.
        const bool resized = round % 2 == 1;
        if (resized) {
            screen::resize(*d.model, cols, rows);
        } else {
            screen::invalidate(*d.model);
        }
        ASSERT_EQ(vt::flush(d), "");
        vt::Terminal fresh = vt::make(cols, rows, U'#');
        fresh.x = (round * 7) % cols; // wherever the shell left it
        fresh.y = round % rows;
        fresh.color = d.model->colorEverSet ? 3 : -1;
        vt::feed(fresh, d.allDiffed.substr(d.allDiffed.size() - d.flushBytes.back()));
        ASSERT_EQ(fresh.error, "");
        for (int y = 0; y < rows; y++) {
            for (int x = 0; x < cols; x++) {
                const vt::Cell& want = vt::at(d.directTerm, x, y);
                const vt::Cell& got = vt::at(fresh, x, y);
                if (want.ch == U'~') {
                    EXPECT_EQ(got.ch, U'#') << "never drawn, yet sent: " << x << "," << y;
                } else {
                    EXPECT_EQ(got, want) << "cell " << x << "," << y << " round " << round;
                }
            }
        }
        EXPECT_EQ(fresh.x, d.directTerm.x);
        EXPECT_EQ(fresh.y, d.directTerm.y);
        EXPECT_EQ(fresh.wrapPending, d.directTerm.wrapPending);
        EXPECT_EQ(fresh.color, d.directTerm.color);
        if (HasFailure()) return;
    }
}

TEST(ScreenModel, MovesAreTheShortestOfTheKnownForms) {
    vt::Dual d;
    vt::start(d, 80, 24);
    vt::gotoxy(d, 0, 3);
    vt::putText(d, "abcdefghij");
    ASSERT_EQ(vt::flush(d), "");
    const std::size_t before = d.allDiffed.size();
    // Skipping two shown cells: re-sending them (2 bytes) beats ESC[2C.
    vt::gotoxy(d, 2, 3);
    vt::putText(d, "C");
    vt::gotoxy(d, 5, 3);
    vt::putText(d, "F");
    ASSERT_EQ(vt::flush(d), "");
    EXPECT_EQ(d.allDiffed.substr(before), "\x1b[8DCdeF");
}

} // namespace
