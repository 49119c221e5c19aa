#include "platform/Console.h"

#include <atomic>
#include <windows.h>

namespace kovrin {

namespace {
std::atomic<bool> g_open{false};
}

// The console is the program's trace, not its master: Ctrl+C, Ctrl+Break and the close
// box would otherwise end the process mid-transfer without a Disconnect.
// The key is said to have been seen, so that no one waits for the program to end.
BOOL WINAPI IgnoreConsoleEvent(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        ConsoleWrite(kConsoleKeyIgnored);
    return TRUE;
}

bool ConsoleOpen()
{
    g_open = ::AllocConsole() != 0;
    if (!g_open)
        return false;
    ::SetConsoleCtrlHandler(&IgnoreConsoleEvent, TRUE);
    if (HWND console = ::GetConsoleWindow(); console != nullptr)
        if (HMENU menu = ::GetSystemMenu(console, FALSE); menu != nullptr)
            ::DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
    // A QuickEdit selection would stop every trace write, and with it the window.
    HANDLE input = ::CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (input != INVALID_HANDLE_VALUE) {
        DWORD mode = 0;
        if (::GetConsoleMode(input, &mode))
            ::SetConsoleMode(input, (mode & ~DWORD(ENABLE_QUICK_EDIT_MODE)) | ENABLE_EXTENDED_FLAGS);
        ::CloseHandle(input);
    }
    return true;
}

void ConsoleClose()
{
    if (g_open.exchange(false)) {
        ::SetConsoleCtrlHandler(&IgnoreConsoleEvent, FALSE);
        ::FreeConsole();
    }
}

bool ConsoleIsOpen() { return g_open; }

void ConsoleWrite(std::string_view text)
{
    if (!g_open)
        return;
    DWORD written = 0;
    ::WriteConsoleA(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                    &written, nullptr);
}

} // namespace kovrin
