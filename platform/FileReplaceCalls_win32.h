#pragma once
// The system calls a save makes to put a file in place, as one table: tests under Wine
// put failing ones in to reach every way a replace can fail.
#include <windows.h>

namespace kovrin {

struct FileReplaceCalls {
    BOOL(WINAPI* replaceFile)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) = ::ReplaceFileW;
    BOOL(WINAPI* moveFile)(LPCWSTR, LPCWSTR, DWORD) = ::MoveFileExW;
};

// The table every save uses; the system's own calls unless a test changed them.
FileReplaceCalls& SaveCalls();

} // namespace kovrin
