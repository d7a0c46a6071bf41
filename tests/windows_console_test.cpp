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
    std::string command = COIL_DUELCOIL;
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &game));
    // Each cell as its character and attribute: the header, the top wall, the
    // left wall and each snake's start cell. Nothing can press
    // Escape here: the screen is read until a whole frame is seen.
    const auto cells = [](short color, const std::wstring& text) {
        std::wstring out;
        for (wchar_t c : text) out += {c, wchar_t(color)};
        return out;
    };
    const std::wstring wanted = cells(COLOR_TABLE, L"Length: 8  Score: 0    ") + cells(COLOR_TABLE, L"████████") +
                                cells(COLOR_TABLE, L"█") + cells(COLOR_P1, L"*") + cells(COLOR_P2, L"*");
    std::wstring seen;
    for (int i = 0; i < 300 && seen != wanted; i++) {
        Sleep(50);
        seen.clear();
        for (SMALL_RECT r : {SMALL_RECT{0, 0, 22, 0}, {0, 1, 7, 1}, {0, 10, 0, 10}, {10, 10, 10, 10}, {60, 10, 60, 10}}) {
            CHAR_INFO row[32];
            const SHORT width = SHORT(r.Right - r.Left + 1);
            ReadConsoleOutputW(screen, row, {width, 1}, {0, 0}, &r);
            for (int x = 0; x < width; x++) seen += {row[x].Char.UnicodeChar, wchar_t(row[x].Attributes)};
        }
    }
    TerminateProcess(game.hProcess, 0);
    SetConsoleOutputCP(codePage);
    EXPECT_EQ(seen, wanted);
}
