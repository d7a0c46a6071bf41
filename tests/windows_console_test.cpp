// The Windows console layer, read back from a console screen buffer of the
// test's own and from a file standing in for redirected output. The layer
// fetches the standard output handle on every call, so pointing that handle
// elsewhere is all the setup it needs.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform.h"
#include "view.h"

namespace {

class WindowsConsole : public ::testing::Test {
protected:
    void SetUp() override { saved = GetStdHandle(STD_OUTPUT_HANDLE); }
    void TearDown() override {
        SetStdHandle(STD_OUTPUT_HANDLE, saved);
        if (buffer != INVALID_HANDLE_VALUE) CloseHandle(buffer);
    }

    // Sends the layer's output to a fresh, hidden screen buffer.
    void useScreenBuffer() {
        buffer = newScreenBuffer();
        if (buffer == INVALID_HANDLE_VALUE && AllocConsole()) buffer = newScreenBuffer();
        ASSERT_NE(buffer, INVALID_HANDLE_VALUE) << "no console to test on";
        SetStdHandle(STD_OUTPUT_HANDLE, buffer);
    }

    std::wstring charsAt(int x, int y, int n) {
        std::wstring text(static_cast<size_t>(n), L'\0');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(buffer, text.data(), static_cast<DWORD>(n), at(x, y), &read);
        text.resize(read);
        return text;
    }

    int attributeAt(int x, int y) {
        WORD attribute = 0;
        DWORD read = 0;
        ReadConsoleOutputAttribute(buffer, &attribute, 1, at(x, y), &read);
        return attribute;
    }

    HANDLE saved = INVALID_HANDLE_VALUE;
    HANDLE buffer = INVALID_HANDLE_VALUE;

private:
    static HANDLE newScreenBuffer() {
        return CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    }
    static COORD at(int x, int y) { return {static_cast<SHORT>(x), static_cast<SHORT>(y)}; }
};

TEST_F(WindowsConsole, EveryGlyphShowsItsCharacterWhateverTheCodePage) {
    useScreenBuffer();
    // A Western code page, where the glyph bytes mean other characters.
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(1252);
    const unsigned char glyphs[] = {
        GLYPH_BLANK, GLYPH_START, GLYPH_VERTICAL, GLYPH_HORIZONTAL, GLYPH_DOWN_LEFT,
        GLYPH_DOWN_RIGHT, GLYPH_UP_LEFT, GLYPH_UP_RIGHT, GLYPH_HEAD_UP, GLYPH_HEAD_DOWN,
        GLYPH_HEAD_LEFT, GLYPH_HEAD_RIGHT, GLYPH_WALL, GLYPH_APPLE, '#',
    };
    gotoxy(0, 2);
    for (unsigned char glyph : glyphs) putGlyph(glyph);
    SetConsoleOutputCP(codePage);
    EXPECT_EQ(charsAt(0, 2, 15), L" *\x2551\x2550\x2557\x2554\x255D\x255A\x25B2\x25BC\x25C4\x25BA\x2588\x263B#");
}

TEST_F(WindowsConsole, TextAndGlyphsLandAtTheCursorInTheColourSet) {
    useScreenBuffer();
    gotoxy(3, 1);
    setColor(COLOR_P2);
    putText("Length: 8");
    setColor(COLOR_APPLE);
    putGlyph(GLYPH_APPLE);
    gotoxy(69, 19);
    setColor(COLOR_TABLE);
    putGlyph(GLYPH_WALL);

    EXPECT_EQ(charsAt(2, 1, 12), L" Length: 8\x263B ");
    EXPECT_EQ(attributeAt(3, 1), COLOR_P2);
    EXPECT_EQ(attributeAt(11, 1), COLOR_P2);
    EXPECT_EQ(attributeAt(12, 1), COLOR_APPLE);
    EXPECT_EQ(charsAt(69, 19, 1), L"\x2588");
    EXPECT_EQ(attributeAt(69, 19), COLOR_TABLE);
}

TEST_F(WindowsConsole, RedirectedOutputGetsTheCodePage437BytesInOrder) {
    wchar_t dir[MAX_PATH];
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameW(dir, L"coil", 0, path), 0u);
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetStdHandle(STD_OUTPUT_HANDLE, file);

    // Cursor moves and colours have nowhere to go in a file, and leave no trace.
    gotoxy(5, 5);
    setColor(COLOR_P1);
    putText("ab");
    putGlyph(GLYPH_WALL);
    putGlyph(GLYPH_APPLE);
    putText("c");
    flushOutput();

    char bytes[16] = {};
    DWORD read = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(bytes, read), "ab\xDB\x02" "c");
}

} // namespace
