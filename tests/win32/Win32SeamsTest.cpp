// The Windows seams against the real system calls (run under Wine).
#include "comm/DebugLog.h"
#include "comm/usb/UsbLibrary.h"
#include "platform/Event.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/SharedLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

} // namespace
} // namespace kovrin
