// kovrin.exe as a process: a second copy only says so and ends with exit code 3 while the
// first one's window is up; the first one ends with 0 when its window closes. The console
// of debug mode does not end the program.
#include "app/logic/ProgramRun.h"
#include "app/win32/WindowIds.h"
#include "platform/Console.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace kovrin::win32 {
namespace {

// The test is built on Linux; Wine shows the Linux file system as drive Z:.
std::string WindowsPath(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path.rfind('\\', 0) == 0 ? "Z:" + path : path;
}

struct Process {
    PROCESS_INFORMATION info{};
    ~Process()
    {
        if (info.hProcess != nullptr) {
            ::TerminateProcess(info.hProcess, 99);
            ::CloseHandle(info.hProcess);
            ::CloseHandle(info.hThread);
        }
    }
    DWORD wait(DWORD milliseconds)
    {
        if (::WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0)
            return STILL_ACTIVE;
        DWORD code = 0;
        ::GetExitCodeProcess(info.hProcess, &code);
        ::CloseHandle(info.hProcess);
        ::CloseHandle(info.hThread);
        info = {};
        return code;
    }
};

// Starts kovrin.exe with message boxes going to `errorFile`.
bool Start(Process& process, const std::string& errorFile, const std::string& arguments = {})
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE error = ::CreateFileA(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = error;
    std::string line = "\"" + WindowsPath(KOVRIN_EXE) + "\"" + arguments;
    ::SetEnvironmentVariableA("KOVRIN_AUTO_DISMISS", "1");
    const BOOL started = ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                         &startup, &process.info);
    ::CloseHandle(error);
    return started != FALSE;
}

// The standard error files go to the temporary folder, not the working one.
std::string TempFile(const char* name)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

std::string Contents(const std::string& file)
{
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SingleInstanceTest, SecondCopyShowsTheBoxAndEndsWithThree)
{
    const std::string firstErr = TempFile("kovrin-first.err"), secondErr = TempFile("kovrin-second.err");
    Process first;
    ASSERT_TRUE(Start(first, firstErr));
    ASSERT_EQ(::WaitForInputIdle(first.info.hProcess, 60000), 0u);
    HWND window = ::FindWindowA(kMainWindowClass, "Kovrin Configurator - Version 1.5.1.0");
    ASSERT_NE(window, nullptr);

    Process second;
    ASSERT_TRUE(Start(second, secondErr));
    EXPECT_EQ(second.wait(60000), DWORD(kExitAlreadyRunning));
    EXPECT_EQ(Contents(secondErr), "[Kovrin Configurator] Kovrin Configurator already run\n");

    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.wait(60000), 0u);
    ::DeleteFileA(firstErr.c_str());
    ::DeleteFileA(secondErr.c_str());
}

// What the console attached to shows, all of its buffer.
std::string ConsoleText()
{
    HANDLE out = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return {};
    CONSOLE_SCREEN_BUFFER_INFO info{};
    std::string text;
    if (::GetConsoleScreenBufferInfo(out, &info)) {
        text.resize(std::size_t(info.dwSize.X) * std::size_t(info.dwSize.Y));
        DWORD read = 0;
        ::ReadConsoleOutputCharacterA(out, text.data(), DWORD(text.size()), COORD{0, 0}, &read);
        text.resize(read);
    }
    ::CloseHandle(out);
    return text;
}

// Ctrl+C in the console a debug run opens is answered there and the program goes on (it
// would end at once, with STATUS_CONTROL_C_EXIT, and this test with it). The console is
// this test's own: Wine cannot attach one process to a console another one allocated.
TEST(SingleInstanceTest, CtrlCInTheDebugConsoleLeavesTheProgramRunning)
{
    const HANDLE kept[3] = {::GetStdHandle(STD_INPUT_HANDLE), ::GetStdHandle(STD_OUTPUT_HANDLE),
                            ::GetStdHandle(STD_ERROR_HANDLE)};
    ::FreeConsole();
    ASSERT_TRUE(ConsoleOpen()) << ::GetLastError();
    EXPECT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
    bool answered = false;
    for (int i = 0; i < 600 && !answered; ++i) {
        answered = ConsoleText().find(kConsoleKeyIgnored.substr(2, 30)) != std::string::npos;
        if (!answered)
            ::Sleep(100);
    }
    ConsoleClose();
    ::SetStdHandle(STD_INPUT_HANDLE, kept[0]);
    ::SetStdHandle(STD_OUTPUT_HANDLE, kept[1]);
    ::SetStdHandle(STD_ERROR_HANDLE, kept[2]);
    EXPECT_TRUE(answered);
}

} // namespace
} // namespace kovrin::win32
