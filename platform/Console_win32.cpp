#include "platform/Console.h"

#include <atomic>
#include <windows.h>

namespace kovrin {

namespace {
std::atomic<bool> g_open{false};
}

bool ConsoleOpen()
{
    g_open = ::AllocConsole() != 0;
    return g_open;
}

void ConsoleClose()
{
    if (g_open.exchange(false))
        ::FreeConsole();
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
