// The real duelcoil.exe on the Windows console layer: its first frame, read
// back from a console screen buffer the test gives it as standard output.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "view.h"

namespace {

// n cells from (x, y), each as its character and its attribute.
std::wstring read(HANDLE buffer, int x, int y, int n) {
    CHAR_INFO cells[80];
    SMALL_RECT region = {SHORT(x), SHORT(y), SHORT(x + n - 1), SHORT(y)};
    ReadConsoleOutputW(buffer, cells, {SHORT(n), 1}, {0, 0}, &region);
    std::wstring seen;
    for (int i = 0; i < n; i++) seen += {cells[i].Char.UnicodeChar, wchar_t(cells[i].Attributes)};
    return seen;
}

// The cells that show text in one colour.
std::wstring in(short colour, const std::wstring& text) {
    std::wstring cells;
    for (wchar_t c : text) cells += {c, wchar_t(colour)};
    return cells;
}

TEST(WindowsConsole, DuelcoilDrawsItsFirstFrame) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    &inherited, CONSOLE_TEXTMODE_BUFFER, nullptr);
    ASSERT_NE(buffer, INVALID_HANDLE_VALUE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = buffer;
    PROCESS_INFORMATION game = {};
    // A Western code page, where the wall's code-page-437 byte is another character.
    const UINT codePage = GetConsoleOutputCP();
    SetConsoleOutputCP(1252);
    std::string command = COIL_DUELCOIL;
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &game));

    // The header, the top wall, a side wall and each snake's start cell. Each
    // frame erases and redraws the start cells, so the screen is read until a
    // whole frame is seen; nothing can press Escape here, so the game is then
    // ended.
    const std::wstring wanted =
        in(COLOR_TABLE, L"Length: 8  Score: 0          Time: 1          Length: 8  Score: 0") +
        in(COLOR_TABLE, std::wstring(70, L'█')) + in(COLOR_TABLE, L"█") + in(COLOR_P1, L"*") + in(COLOR_P2, L"*");
    std::wstring seen;
    for (int i = 0; i < 300 && seen != wanted; i++) {
        Sleep(50);
        seen = read(buffer, 0, 0, 65) + read(buffer, 0, 1, 70) + read(buffer, 69, 10, 1) + read(buffer, 10, 10, 1) +
               read(buffer, 60, 10, 1);
    }
    TerminateProcess(game.hProcess, 0);
    SetConsoleOutputCP(codePage);
    CloseHandle(game.hThread);
    CloseHandle(game.hProcess);
    EXPECT_EQ(seen, wanted);
}

} // namespace
