// The Windows seams against the real system calls (run under Wine).
#include "comm/DebugLog.h"
#include "comm/usb/UsbLibrary.h"
#include "platform/Event.h"
#include "platform/FileReplace.h"
#include "platform/FileReplaceCalls_win32.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/SharedFiles.h"
#include "platform/SharedLibrary.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

namespace kovrin {
namespace {

TEST(Win32Seams, MutexAndEventAreNamedSystemObjects)
{
    {
        InstanceLock first("KOVRINTESTLOCK");
        InstanceLock second("KOVRINTESTLOCK");
        EXPECT_EQ(first.state(), InstanceLock::State::Acquired);
        EXPECT_EQ(second.state(), InstanceLock::State::AlreadyRunning);
    }
    EXPECT_EQ(InstanceLock("KOVRINTESTLOCK").state(), InstanceLock::State::Acquired);

    // Auto-reset: one signal releases one wait, through any handle of the name.
    const auto created = NamedEvent::create("KovrinTestEvent");
    ASSERT_TRUE(created);
    const auto opened = NamedEvent::open("KovrinTestEvent");
    ASSERT_TRUE(opened);
    EXPECT_FALSE(created->waitFor(std::chrono::milliseconds(0)));
    opened->set();
    EXPECT_TRUE(created->waitFor(std::chrono::milliseconds(0)));
    EXPECT_FALSE(created->waitFor(std::chrono::milliseconds(0)));
}

TEST(Win32Seams, DebugLogKeepsItsFileInTheSharedBriselFolder)
{
    ASSERT_GT(WindowsVersion(), 5u);
    const std::string folder = CommonDataFolder() + "\\Brisel\\";
    const std::string file = folder + kDebugLogName;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    EXPECT_EQ(DebugLogFolder(), folder);

    SetDebugMode(true);
    DebugLog("first\n");
    DebugLog("second\n");
    SetDebugMode(false);

    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "first\r\nsecond\r\n");
    EXPECT_EQ(SharedFolderDistrust(folder.substr(0, folder.size() - 1)), "") << "the folder this program made";
}

TEST(Win32Seams, UbrixWithoutAnAdapterSaysSoAndUnloads)
{
    std::string logged;
    UsbLibrary library([&](std::string_view text) { logged += text; });
    ASSERT_EQ(library.Load(UBRIX_DLL_PATH), 0) << logged;
    EXPECT_TRUE(SharedLibraryIsResident(UBRIX_DLL_PATH));
    EXPECT_EQ(library.Init(0, 0, ""), 98);
    EXPECT_EQ(library.Opened(), 0);
    EXPECT_EQ(library.Close(0), 0);
    library.Release();
    EXPECT_FALSE(SharedLibraryIsResident(UBRIX_DLL_PATH));
}

// UTF-8 as the test's manifest makes it the code page; \\?\ where MAX_PATH would stop.
std::wstring Wide(const std::string& utf8, const wchar_t* prefix = L"")
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return prefix + wide;
}

// Names outside any ANSI code page, paths longer than MAX_PATH, a link: replaced and
// followed as the user named them, with no temporary file left behind.
TEST(Win32Seams, SaveTakesAnyNameAndLengthAndFollowsLinks)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    const std::string temp = (std::filesystem::temp_directory_path() / "").string();  // ends in '\'
    const std::string top =
        temp + "kovrin-d\xc3\xa9j\xc3\xa0-\xd0\xb4\xe2\x82\xac-" + std::to_string(GetCurrentProcessId());
    std::string deep = top;
    while (deep.size() < 300)
        deep += "\\a-folder-with-a-rather-long-name";
    std::filesystem::create_directories(Wide(deep, L"\\\\?\\"));
    const std::string link = top + "\\link.kvnf", a = top + "\\a.kvnf", b = deep + "\\b.kvnf";
    // Wine's CreateSymbolicLinkW says yes and makes nothing: the link case then drops out.
    const bool linked = CreateSymbolicLinkW(Wide(link).c_str(), Wide(b).c_str(), 0) &&
                        GetFileAttributesW(Wide(link).c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const std::string& name : {a, b, linked ? link : b}) {
        SCOPED_TRACE(name);
        for (const std::string text : {"first", "second, longer"}) {
            EXPECT_EQ(ReplaceFileContents(name, text), ReplaceResult::Replaced);
            std::ifstream in(std::filesystem::path(Wide(name, L"\\\\?\\")), std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
        }
    }
    EXPECT_TRUE(!linked || (GetFileAttributesW(Wide(link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) << "still a link";
    WIN32_FIND_DATAW temporary;
    EXPECT_EQ(FindFirstFileW(Wide(deep + "\\~*", L"\\\\?\\").c_str(), &temporary), INVALID_HANDLE_VALUE);
    // The C++ library's remove_all stops at MAX_PATH.
    for (const std::string& file : {a, link, b})
        DeleteFileW(Wide(file, L"\\\\?\\").c_str());
    const std::wstring topFolder = Wide(top, L"\\\\?\\");
    for (std::wstring folder = Wide(deep, L"\\\\?\\"); folder.size() >= topFolder.size();
         folder.resize(folder.rfind(L'\\')))
        RemoveDirectoryW(folder.c_str());
}

// How the replace fails this time: `times` calls fail with `error`, after doing to the
// files what the system does before such a failure.
enum class Effect { None, TargetGone, TargetAside };
struct ReplaceScript {
    DWORD error = 0;
    int times = 0;
    Effect effect = Effect::None;
    bool temporaryStays = false;  // moves of the temporary file fail too
    int calls = 0;
};
ReplaceScript g_replace;

BOOL WINAPI ScriptedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID x, LPVOID y)
{
    if (g_replace.calls++ >= g_replace.times)
        return ReplaceFileW(replaced, replacement, backup, flags, x, y);
    if (g_replace.effect == Effect::TargetGone)
        DeleteFileW(replaced);
    if (g_replace.effect == Effect::TargetAside)
        MoveFileW(replaced, backup);
    SetLastError(g_replace.error);
    return FALSE;
}

BOOL WINAPI ScriptedMove(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    const std::wstring source = from;
    if (g_replace.temporaryStays && source.size() > 4 && source.compare(source.size() - 4, 4, L".tmp") == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileExW(from, to, flags);
}

// Every way the replace can fail leaves the old or the new content under the file's name,
// or says it may not, with the new content kept under the temporary name.
TEST(Win32Seams, EachReplaceFailureLeavesOldOrNewUnderTheName)
{
    const struct {
        const char* name;
        ReplaceScript script;
        ReplaceResult result;
        bool newContent;
    } cases[] = {
        {"replacement not moved, old file gone", {ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, Effect::TargetGone},
         ReplaceResult::Replaced, true},
        {"replacement not moved, old file aside", {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, Effect::TargetAside},
         ReplaceResult::Replaced, true},
        {"old file aside, no move: put back", {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 1, Effect::TargetAside, true},
         ReplaceResult::Untouched, false},
        {"old file gone, no move: kept aside", {ERROR_UNABLE_TO_MOVE_REPLACEMENT, 1, Effect::TargetGone, true},
         ReplaceResult::MayBeDamaged, true},
        {"replaced file not removed", {ERROR_UNABLE_TO_REMOVE_REPLACED, 1}, ReplaceResult::Untouched, false},
        {"held a moment by a scanner", {ERROR_SHARING_VIOLATION, 2}, ReplaceResult::Replaced, true},
        {"held throughout", {ERROR_SHARING_VIOLATION, 1 << 20}, ReplaceResult::Untouched, false},
        {"replacing refused: rewritten in place", {ERROR_ACCESS_DENIED, 1}, ReplaceResult::Replaced, true},
    };
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kovrin-replace-" + std::to_string(GetCurrentProcessId()));
    const std::string oldText = "old content, longer than the new", newText = "new content";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / "a.kvnf";
        std::ofstream(file, std::ios::binary) << oldText;
        g_replace = c.script;
        SaveCalls().replaceFile = ScriptedReplace;
        SaveCalls().moveFile = ScriptedMove;
        const ReplaceResult result = ReplaceFileContents(file.string(), newText);
        SaveCalls() = FileReplaceCalls{};
        EXPECT_EQ(result, c.result);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            left.push_back(entry.path().filename().string().substr(0, 7) + "=" +
                           std::string(std::istreambuf_iterator<char>(in), {}));
        }
        const std::string expected = (c.result == ReplaceResult::MayBeDamaged ? "~a.kvnf=" : "a.kvnf=") +
                                     (c.newContent ? newText : oldText);
        EXPECT_EQ(left, std::vector<std::string>{expected});
    }
    std::filesystem::remove_all(folder);
}

TEST(Win32Seams, ShellReportsAMissingManual)
{
    EXPECT_EQ(OpenDocument(ProgramFolder(), "NoSuchManual.pdf"), kShellFileNotFound);
}

} // namespace
} // namespace kovrin
