#include "comm/DebugLog.h"
#include "platform/Folders.h"

#include "tests/comm/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

namespace kovrin {
namespace {

TEST(DebugLog, StampedLineHasDateTimeAndText)
{
    std::tm t{};
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 10;
    t.tm_min = 11;
    t.tm_sec = 12;
    EXPECT_EQ(StampedLine(t, "sent 12 bytes: \n"), " 12\\07 10:11:12  sent 12 bytes: \n  \n");
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    EXPECT_EQ(StampedLine(t, "x"), " 01\\02 03:04:05  x  \n");
    EXPECT_EQ(StampedLine(t, std::string(300, 'a')), " 01\\02 03:04:05  " + std::string(182, 'a') + "  \n");
}

TEST(DebugLog, TraceLinesHoldAtMostSeventeenEntries)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint8_t, int>> calls;
        std::string expected;
    } cases[] = {
        {"empty flush", {{0, kTraceFlush}}, "\n\r"},
        {"empty flush with end mark", {{0, kTraceFlushEnd}}, " ...\n\r"},
        {"directions", {{0x02, kTraceReceived}, {0x3A, kTraceSent}, {0, kTraceFlush}}, "<-02->3A\n\r"},
        {"end mark", {{0xFF, kTraceReceived}, {0, kTraceFlushEnd}}, "<-FF ...\n\r"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        for (auto [byte, kind] : c.calls)
            TraceByte(byte, kind);
        EXPECT_EQ(log.console(), c.expected) << c.what;
    }

    LogCapture log;
    for (int i = 0; i < 20; ++i)
        TraceByte(static_cast<std::uint8_t>(i), kTraceSent);
    std::string first;
    for (int i = 0; i < 17; ++i) {
        char e[8];
        std::snprintf(e, sizeof e, "->%2.2X", i);
        first += e;
    }
    EXPECT_EQ(log.console(), first + "\n\r");  // written as soon as the 17th entry is in
    TraceByte(0, kTraceFlush);
    EXPECT_EQ(log.console(), first + "\n\r->11->12->13\n\r");
}

TEST(DebugLog, LogStampedFlushesPendingTrafficFirst)
{
    LogCapture log;
    LogStamped("sent 12 bytes: \n");
    EXPECT_EQ(log.console(), "\n\r 12\\07 10:11:12  sent 12 bytes: \n  \n");
    log.clear();
    TraceByte(0x41, kTraceReceived);
    LogStampedF("n=%d", 5);
    EXPECT_EQ(log.console(), "<-41\n\r 12\\07 10:11:12  n=5  \n");
}

TEST(DebugLog, FileGetsEveryTextWithCarriageReturns)
{
    LogCapture log;
    std::filesystem::remove_all(log.folder());  // the first text creates the folder
    DebugLog("Local port: COM1\n");
    DebugLog("second");
    EXPECT_EQ(log.fileText(), "Local port: COM1\r\nsecond");
    EXPECT_EQ(log.console(), "Local port: COM1\nsecond");
    EXPECT_EQ(DebugLogPath(), log.folder() + "debugkovrin.log");
}

TEST(DebugLog, WithoutAConsoleTextsReachTheFileOnly)
{
    LogCapture log;
    SetDebugConsole({});
    DebugLog("\nAllocate console ...");
    EXPECT_EQ(log.console(), "");
    EXPECT_EQ(log.fileText(), "\r\nAllocate console ...");
}

TEST(DebugLog, SilentOutsideDebugModeButTheTraceStillEmpties)
{
    LogCapture log;
    SetDebugMode(false);
    TraceByte(0x10, kTraceSent);
    DebugLog("nothing");
    LogStamped("nothing either");  // flushes the pending byte into the void
    EXPECT_FALSE(std::filesystem::exists(log.folder() + "debugkovrin.log"));
    EXPECT_EQ(log.console(), "");
    SetDebugMode(true);
    TraceByte(0, kTraceFlush);
    EXPECT_EQ(log.console(), "\n\r");
}

TEST(DebugLog, DefaultFolderIsBriselInTheDataFolder)
{
    SetDebugLogFolder({});
    const std::string folder = DebugLogFolder();
    ASSERT_GE(folder.size(), 8u);
    EXPECT_EQ(folder.substr(folder.size() - 8), std::string(1, kPathSeparator) + "Brisel" + kPathSeparator);
}

// Workers on several ports at once: each one's texts and traffic, written in pieces,
// reach the log as whole lines of their own.
TEST(DebugLog, ThreadsOfAGangKeepTheirLinesWhole)
{
    LogCapture capture;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([t] {
            const ThreadLogLines lines("P" + std::to_string(t));
            for (int i = 0; i < 200; ++i) {
                DebugLog("piece ");
                DebugLogF("%d of %d\n", i, t);
                for (int b = 0; b < 20; ++b)
                    TraceByte(static_cast<std::uint8_t>(0x40 + t), kTraceSent);
                TraceByte(0, kTraceFlush);
            }
            DebugLog("left over");
        });
    for (std::thread& w : workers)
        w.join();
    std::istringstream file(capture.fileText());
    int count = 0;
    for (std::string line; std::getline(file, line); ++count) {
        ASSERT_EQ(line.rfind("[P", 0), 0u) << line;
        const std::string t(1, line[2]);
        std::string rest = line.substr(5);
        std::erase(rest, '\r');
        const bool trace = rest.rfind("->", 0) == 0 && rest.find_first_not_of("->4" + t) == std::string::npos;
        const bool text = rest.rfind("piece ", 0) == 0 && rest.ends_with(" of " + t);
        EXPECT_TRUE(trace || text || rest == "left over") << line;
    }
    EXPECT_GT(count, 4 * 600);
}

} // namespace
} // namespace kovrin
