// Start-up to a shown window and the memory the program then holds: kovrin.exe beside an
// empty Win32 window started the same way. Prints figures and their ratio; no pass/fail.
//   window_start_bench KOVRIN.EXE EMPTY_WINDOW.EXE [RUNS]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Figures {
    double seconds = 0;       // CreateProcess to the first visible top-level window
    double workingSetMb = 0;  // once shown
    double privateMb = 0;
};

struct Found {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK FindShown(HWND window, LPARAM data)
{
    auto* found = reinterpret_cast<Found*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && ::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == nullptr) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// A Linux path (the build passes them) as Wine shows it, on drive Z:.
std::string WindowsPath(std::string path)
{
    if (path.empty() || path[0] != '/')
        return path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

bool Run(const std::string& program, Figures& out)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string line = "\"" + WindowsPath(program) + "\"";
    LARGE_INTEGER frequency, begin, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&begin);
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    // Idle first (message loop reached), then the window must be visible.
    ::WaitForInputIdle(info.hProcess, 60000);
    Found found{info.dwProcessId, nullptr};
    for (int i = 0; i < 6000 && found.window == nullptr; ++i) {
        ::EnumWindows(FindShown, reinterpret_cast<LPARAM>(&found));
        if (found.window == nullptr)
            ::WaitForSingleObject(info.hProcess, 10);
    }
    ::QueryPerformanceCounter(&end);
    out.seconds = double(end.QuadPart - begin.QuadPart) / double(frequency.QuadPart);
    ::Sleep(500);  // settled
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    out.workingSetMb = double(memory.WorkingSetSize) / (1024.0 * 1024.0);
    out.privateMb = double(memory.PrivateUsage) / (1024.0 * 1024.0);
    if (found.window != nullptr)
        ::PostMessageA(found.window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(info.hProcess, 20000) != WAIT_OBJECT_0)
        ::TerminateProcess(info.hProcess, 1);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    return found.window != nullptr;
}

Figures Median(const std::string& program, int runs)
{
    std::vector<Figures> all;
    for (int i = 0; i < runs; ++i) {
        Figures f;
        if (Run(program, f))
            all.push_back(f);
    }
    if (all.empty())
        return {};
    auto middle = [&](auto member) {
        std::vector<double> v;
        for (const Figures& f : all)
            v.push_back(f.*member);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    return {middle(&Figures::seconds), middle(&Figures::workingSetMb), middle(&Figures::privateMb)};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_start_bench KOVRIN.EXE EMPTY_WINDOW.EXE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    ::SetEnvironmentVariableA("KOVRIN_AUTO_DISMISS", "1");
    const Figures empty = Median(argv[2], runs);
    const Figures kovrin = Median(argv[1], runs);
    // Wine does not report a process's private bytes: that column only on Windows.
    const bool havePrivate = empty.privateMb > 0 && kovrin.privateMb > 0;
    std::printf("start-up to a shown window, median of %d runs\n", runs);
    std::printf("%-14s %10s %16s", "program", "start s", "working set MB");
    std::printf(havePrivate ? " %14s\n" : "\n", "private MB");
    for (const auto& [name, f] : {std::pair{"empty window", empty}, std::pair{"kovrin.exe", kovrin}}) {
        std::printf("%-14s %10.3f %16.1f", name, f.seconds, f.workingSetMb);
        if (havePrivate)
            std::printf(" %14.1f", f.privateMb);
        std::printf("\n");
    }
    if (empty.seconds > 0 && empty.workingSetMb > 0) {
        std::printf("ratio kovrin/empty: start %.2f, working set %.2f", kovrin.seconds / empty.seconds,
                    kovrin.workingSetMb / empty.workingSetMb);
        if (havePrivate)
            std::printf(", private %.2f", kovrin.privateMb / empty.privateMb);
        std::printf("\n");
    }
    return 0;
}
