// The real duelcoil.exe on the Windows console layer, on a Western code page
// where the glyph bytes are other characters: its first frame, read back from
// the console screen buffer the test gives it as standard output.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "view.h"

TEST(WindowsConsole, DuelcoilDrawsItsFirstFrame) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    &inherited, CONSOLE_TEXTMODE_BUFFER, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = screen;
    PROCESS_INFORMATION game = {};
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(1252);
    ASSERT_TRUE(CreateProcessA(COIL_DUELCOIL, nullptr, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &game));
    // The header and the top wall, each cell as its character and attribute.
    // Nothing can press Escape here: the screen is read until they show.
    std::wstring wanted;
    for (wchar_t c : std::wstring(L"Length: 8  Score: 0    ") + std::wstring(23, L'█')) wanted += {c, COLOR_TABLE};
    std::wstring seen;
    for (int i = 0; i < 300 && seen != wanted; i++) {
        Sleep(50);
        CHAR_INFO cells[2 * 23]; // the two rows, one after the other
        SMALL_RECT rows = {0, 0, 22, 1};
        ReadConsoleOutputW(screen, cells, {23, 2}, {0, 0}, &rows);
        for (seen.clear(); const CHAR_INFO& cell : cells) seen += {cell.Char.UnicodeChar, wchar_t(cell.Attributes)};
    }
    TerminateProcess(game.hProcess, 0);
    SetConsoleOutputCP(codePage);
    EXPECT_EQ(seen, wanted);
}
