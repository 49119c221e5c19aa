// The Windows seams against the real system calls (run under Wine).
#include "comm/DebugLog.h"
#include "comm/usb/UsbLibrary.h"
#include "platform/Event.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/SharedLibrary.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
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

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string ReadWide(const std::wstring& name)
{
    std::ifstream in(std::filesystem::path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names outside any ANSI code page, paths longer than MAX_PATH, a link: replaced and
// followed as the user named them, with no temporary file left behind.
TEST(Win32Seams, SaveTakesAnyNameAndLengthAndFollowsLinks)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test's manifest asks for UTF-8";
    namespace fs = std::filesystem;
    std::string temp = fs::temp_directory_path().string();
    if (temp.back() != '\\')
        temp += '\\';
    const std::string top =
        temp + "kovrin-d\xc3\xa9j\xc3\xa0-\xd0\xb4\xe2\x82\xac-" + std::to_string(GetCurrentProcessId());
    std::string deep = top;
    while (deep.size() < 300)
        deep += "\\a-folder-with-a-rather-long-name";
    // The library's own folder functions stop at MAX_PATH without the \\?\ prefix.
    const std::wstring topFolder = L"\\\\?\\" + Wide(top), deepFolder = L"\\\\?\\" + Wide(deep);
    fs::create_directories(deepFolder);
    const std::string link = top + "\\link.kvnf";
    // Wine's CreateSymbolicLinkW says yes and makes nothing: the link case then drops out.
    const bool linked = CreateSymbolicLinkW(Wide(link).c_str(), Wide(deep + "\\b.kvnf").c_str(), 0) != 0 &&
                        GetFileAttributesW(Wide(link).c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const std::string& name : {top + "\\a.kvnf", deep + "\\b.kvnf", linked ? link : deep + "\\b.kvnf"}) {
        SCOPED_TRACE(name);
        for (const char* text : {"first", "second, longer"}) {
            EXPECT_EQ(ReplaceFileContents(name, text), ReplaceResult::Replaced);
            EXPECT_EQ(ReadWide(L"\\\\?\\" + Wide(name)), text);
        }
    }
    if (linked) {
        EXPECT_NE(GetFileAttributesW(Wide(link).c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "still a link";
    }
    // Its directory_iterator reads some other folder for a \\?\ name.
    WIN32_FIND_DATAW entry;
    const HANDLE listing = FindFirstFileW((deepFolder + L"\\*").c_str(), &entry);
    std::vector<std::wstring> entries;
    for (BOOL more = listing != INVALID_HANDLE_VALUE; more; more = FindNextFileW(listing, &entry))
        entries.emplace_back(entry.cFileName);
    FindClose(listing);
    EXPECT_EQ(entries.size(), 3u) << "., .. and b.kvnf: no temporary file";
    // Its remove_all cannot go that deep either.
    for (const std::wstring& file : {topFolder + L"\\a.kvnf", topFolder + L"\\link.kvnf", deepFolder + L"\\b.kvnf"})
        DeleteFileW(file.c_str());
    for (std::wstring folder = deepFolder; folder.size() >= topFolder.size(); folder.resize(folder.rfind(L'\\')))
        RemoveDirectoryW(folder.c_str());
}

TEST(Win32Seams, ShellReportsAMissingManual)
{
    EXPECT_EQ(OpenDocument(ProgramFolder(), "NoSuchManual.pdf"), kShellFileNotFound);
}

} // namespace
} // namespace kovrin
