#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/Frame.h"
#include "comm/UsbLinkClient.h"
#include "comm/usb/UsbLink.h"
#include "platform/WaitHook.h"
#include "tests/usbclient/FakeUbrixHooks.h"

namespace kovrin {
namespace {

using namespace std::chrono_literals;

std::string Text(const Frame& frame) { return std::string(frame.begin(), frame.end()); }

class UsbLinkTest : public ::testing::Test {
protected:
    UsbLinkTest()
    {
        UsbSelected = false;
        UsbAnswerPending = false;
        hooks.Reset();
    }
    ~UsbLinkTest() override
    {
        UsbSelected = false;
        UsbAnswerPending = false;
    }

    UsbLinkServices Services()
    {
        UsbLinkServices s;
        s.log = [this](std::string_view text) { log += text; };
        s.trace = [](std::uint8_t, int) {};
        s.accept = [this](const std::uint8_t* bytes, std::size_t count, std::size_t expected, std::size_t alternative) {
            handed.assign(bytes, bytes + count);
            return AcceptAnswer(bytes, count, expected, alternative);
        };
        s.clock = &clock;
        s.readUsb = event;
        return s;
    }

    UsbOpenSettings Settings(const std::string& path = FAKE_UBRIX_PATH) const
    {
        return {path, true, "/logs/debugusbkovrin.log"};
    }

    // Sends the request for word 10 and reads its answer into `answer`.
    bool Exchange(std::vector<std::uint8_t>& answer)
    {
        const Frame request = BuildRequestGM(10);
        link.Send(request.data(), request.size());
        answer.assign(80, 0xEE);
        std::size_t received = 0;
        const bool ok = link.Read(answer.data(), answer.size(), received, kAnswerGM.expected, kAnswerGM.alternative);
        answer.resize(received);
        return ok;
    }

    test::FakeUbrixHooks hooks{FAKE_UBRIX_PATH};
    std::string log;
    std::vector<std::uint8_t> handed;
    FakeClock clock;
    std::shared_ptr<NamedEvent> event = NamedEvent::create("ReadUsb.test");
    UsbLink link{Services()};
};

TEST_F(UsbLinkTest, OpenOutcomes)
{
    struct Case {
        const char* name;
        std::string path;
        int initCode;
        bool opens;
        int openedState;
        std::vector<std::string> logLines;  // in this order; none: no "Cannot" line at all
    };
    const Case cases[] = {
        {"library missing", "/nonexistent/libubrix.so", 0, false, 0,
         {"Cannot load USB dll [Error: 2]", "\n Cannot open USB communication [Error: 81 - USB.DLL not found or cannot to load] ! \n "}},
        {"export missing", FAKE_UBRIX_BAD_PATH, 0, false, 0,
         {"\n Cannot open USB communication [Error: 82 - USB.DLL is bad] ! \n "}},
        {"no adapter", FAKE_UBRIX_PATH, 98, true, 0,
         {"\n Cannot open USB communication [Error: 98 - USB adapter is not connected] ! \n "}},
        {"thread not created", FAKE_UBRIX_PATH, 4, true, 0, {"\n Cannot open USB communication [Error: 4] ! \n "}},
        {"adapter open", FAKE_UBRIX_PATH, 0, true, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        hooks.Reset(c.initCode);
        UsbLink fresh{Services()};
        EXPECT_EQ(fresh.Open(Settings(c.path)), c.opens);
        EXPECT_EQ(UsbSelected, c.opens);
        EXPECT_EQ(fresh.LibraryBound(), c.opens);
        EXPECT_EQ(fresh.OpenedState(), c.openedState);
        if (c.logLines.empty()) {
            EXPECT_EQ(log.find("Cannot"), std::string::npos) << log;
        }
        std::size_t at = 0;
        for (const std::string& line : c.logLines) {
            at = log.find(line, at);
            EXPECT_NE(at, std::string::npos) << line << " in " << log;
        }
        EXPECT_EQ(GetUsbLinkClient() == &fresh, c.opens);
        fresh.Close();
        EXPECT_FALSE(UsbSelected);
    }
}

TEST_F(UsbLinkTest, BadLibraryIsReleasedAndItsWrappersStayUnbound)
{
    ASSERT_FALSE(link.Open(Settings(FAKE_UBRIX_BAD_PATH)));
    EXPECT_FALSE(SharedLibraryIsResident(FAKE_UBRIX_BAD_PATH));
    char buffer[kUsbTakeSize] = {};
    UsbLibrary& lib = link.Library();
    EXPECT_EQ(lib.Init(0, 0, ""), -1);
    EXPECT_EQ(lib.Close(0), -1);
    EXPECT_EQ(lib.Send(buffer, 220), -1);
    EXPECT_EQ(lib.Take(buffer), -1);
    EXPECT_EQ(lib.Request(1), -1);
    EXPECT_EQ(lib.Opened(), -1);
}

TEST_F(UsbLinkTest, InitialisesWithDebugSwitchesAndTracePath)
{
    ASSERT_TRUE(link.Open(Settings()));
    UsbOpenSettings quiet = Settings();
    quiet.debugMode = false;
    ASSERT_TRUE(link.Open(quiet));  // already loaded: used as it is
    EXPECT_EQ(hooks.Calls(), "Init(1,1,/logs/debugusbkovrin.log);Init(0,0,/logs/debugusbkovrin.log);");
}

TEST_F(UsbLinkTest, SendCopiesTheFrameIntoTheBoundedBuffer)
{
    ASSERT_TRUE(link.Open(Settings()));
    struct Case {
        std::size_t size;
        bool goesOut;
    };
    for (const Case c : {Case{16, true}, Case{216, true}, Case{217, false}}) {
        SCOPED_TRACE(c.size);
        hooks.Reset();
        UsbAnswerPending = false;
        const std::vector<std::uint8_t> frame(c.size, 'A');
        link.Send(frame.data(), frame.size());
        if (c.goesOut) {
            EXPECT_EQ(hooks.Calls(), "Send(" + std::to_string(c.size) + ",220);Opened;Request(1);");
            EXPECT_EQ(hooks.Packet(), std::string(c.size, 'A'));
            EXPECT_TRUE(hooks.PacketTerminated());
            EXPECT_TRUE(UsbAnswerPending);
        } else {
            EXPECT_EQ(hooks.Calls(), "");
            EXPECT_FALSE(UsbAnswerPending);
        }
    }
}

TEST_F(UsbLinkTest, SendWithoutAdapterAwaitsNoAnswer)
{
    hooks.Reset(98, 0);
    ASSERT_TRUE(link.Open(Settings()));
    const Frame request = BuildRequestGI();
    link.Send(request.data(), request.size());
    EXPECT_EQ(hooks.Calls(), "Init(1,1,/logs/debugusbkovrin.log);Send(12,220);Opened;");
    EXPECT_FALSE(UsbAnswerPending);
    EXPECT_EQ(link.OpenedState(), 0);
}

TEST_F(UsbLinkTest, ReadCollectsTheAnswerAcrossTakes)
{
    ASSERT_TRUE(link.Open(Settings()));
    const std::string answer = Text(BuildAnswerGM(0x1234));
    hooks.QueueSilence(100);
    hooks.QueueTake(answer.substr(0, 5));
    hooks.QueueSilence(20);
    hooks.QueueTake(answer.substr(5));

    std::vector<std::uint8_t> got;
    EXPECT_TRUE(Exchange(got));
    EXPECT_EQ(std::string(got.begin(), got.end()), answer);
    EXPECT_FALSE(UsbAnswerPending);
    EXPECT_NE(hooks.Calls().find("Request(1);Request(0);"), std::string::npos) << hooks.Calls();
    EXPECT_EQ(clock.since({}), 120ms);
    EXPECT_FALSE(event->waitFor(0ms));  // the latch is left clear
}

TEST_F(UsbLinkTest, ReadHandsOnEveryByteTaken)
{
    ASSERT_TRUE(link.Open(Settings()));
    const std::string answer = Text(BuildAnswerGM(7));
    struct Case {
        const char* name;
        std::vector<std::string> takes;
        std::string handed;
        bool accepted;
    };
    const Case cases[] = {
        {"leading junk", {"x" + answer}, "x" + answer, false},
        {"start then blank, then the answer", {std::string("\x02 \x03", 3), answer}, std::string("\x02 \x03", 3) + answer, false},
        {"answer in one take", {answer}, answer, true},
        {"answer byte by byte", [&] {
             std::vector<std::string> bytes;
             for (char b : answer)
                 bytes.emplace_back(1, b);
             return bytes;
         }(), answer, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& take : c.takes)
            hooks.QueueTake(take);
        std::vector<std::uint8_t> got;
        EXPECT_EQ(Exchange(got), c.accepted);
        EXPECT_EQ(std::string(handed.begin(), handed.end()), c.handed);
        EXPECT_EQ(std::string(got.begin(), got.end()), c.handed);
    }
}

TEST_F(UsbLinkTest, SecondFrameBeforeTheNextSendEndsNoRead)
{
    ASSERT_TRUE(link.Open(Settings()));
    const std::string answer = Text(BuildAnswerGM(1));
    hooks.QueueTake(answer);
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(Exchange(got));

    hooks.QueueTake(answer);  // a stray copy, no request went out for it
    std::vector<std::uint8_t> buffer(80);
    std::size_t received = 0;
    const auto before = clock.now();
    EXPECT_FALSE(link.Read(buffer.data(), buffer.size(), received, 16, 12));
    EXPECT_EQ(received, 16u);
    EXPECT_GE(clock.since(before), 1000ms);  // it waited out the quiet time, not the latch
}

TEST_F(UsbLinkTest, ReadWaitIsBounded)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> script;  // silence in ms, then bytes
        Clock::Ms elapsed;
        std::size_t received;
    };
    const Case cases[] = {
        {"silent switch", {}, 3000ms, 0},
        {"part of an answer early", {{500, "\x02" "01GM"}}, 3000ms, 5},
        {"part of an answer late", {{2500, "\x02" "01GM"}}, 3500ms, 5},
        {"bytes trickling in past the answer wait", {{2900, "\x02"}, {900, "0"}, {900, "1"}}, 5700ms, 3},
        {"junk that never ends", [] {
             std::vector<std::pair<int, std::string>> s;
             for (int i = 0; i < 40; ++i)
                 s.emplace_back(500, "x");
             return s;
         }(), 10000ms, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hooks.Reset();
        // The fake's silence is counted in empty takes of 5 ms, so one pace throughout.
        UsbLinkServices services = Services();
        services.limits.idlePollPause = services.limits.pollPause;
        UsbLink fresh{services};
        ASSERT_TRUE(fresh.Open(Settings()));
        for (const auto& [silence, bytes] : c.script) {
            hooks.QueueSilence(silence);
            hooks.QueueTake(bytes);
        }
        const Frame request = BuildRequestGM(3);
        fresh.Send(request.data(), request.size());
        const auto start = clock.now();
        std::vector<std::uint8_t> buffer(80);
        std::size_t received = 0;
        log.clear();
        // The window's queue is read all along the wait: never 100 ms (and the pause
        // of one take) without the hook.
        std::vector<Clock::TimePoint> hooked{start};
        {
            const ScopedWaitHook hook([&] { hooked.push_back(clock.now()); });
            EXPECT_FALSE(fresh.Read(buffer.data(), buffer.size(), received, 16, 12));
        }
        hooked.push_back(clock.now());
        for (std::size_t i = 1; i < hooked.size(); ++i)
            ASSERT_LE(hooked[i] - hooked[i - 1], kWaitHookSlice + services.limits.pollPause) << "gap " << i;
        EXPECT_EQ(clock.since(start), c.elapsed);
        EXPECT_EQ(received, c.received);
        EXPECT_NE(log.find("USB Error: no complete answer in time"), std::string::npos);
        // Every empty take is followed by a pause: about one take per 5 ms waited.
        EXPECT_LE(hooks.TakeCalls(), c.elapsed.count() / 5 + static_cast<int>(c.script.size()) + 1);
        fresh.Close();
    }
}

// A switch that stays silent is polled at the idle pace after its first 100 ms, and the
// read still ends at the answer wait.
TEST_F(UsbLinkTest, SilentSwitchIsPolledAtTheIdlePace)
{
    hooks.Reset();
    ASSERT_TRUE(link.Open(Settings()));
    const Frame request = BuildRequestGM(3);
    link.Send(request.data(), request.size());
    const auto start = clock.now();
    std::vector<std::uint8_t> buffer(80);
    std::size_t received = 0;
    EXPECT_FALSE(link.Read(buffer.data(), buffer.size(), received, 16, 12));
    EXPECT_EQ(clock.since(start), 3000ms);
    EXPECT_LE(hooks.TakeCalls(), 100 / 5 + 2900 / 25 + 2);
}

TEST_F(UsbLinkTest, CloseUnbindsAndReleasesTheLibrary)
{
    ASSERT_TRUE(link.Open(Settings()));
    UsbAnswerPending = true;
    hooks.Release();
    link.Close();
    EXPECT_FALSE(UsbSelected);
    EXPECT_FALSE(UsbAnswerPending);
    EXPECT_FALSE(link.LibraryBound());
    EXPECT_EQ(link.OpenedState(), 0);
    EXPECT_EQ(link.Library().Opened(), -1);
    EXPECT_FALSE(SharedLibraryIsResident(FAKE_UBRIX_PATH));
    EXPECT_EQ(GetUsbLinkClient(), nullptr);
}

TEST_F(UsbLinkTest, CloseKeepsALibraryThatRefusedToClose)
{
    hooks.Reset(0, 1, 1);
    ASSERT_TRUE(link.Open(Settings()));
    link.Close();
    EXPECT_FALSE(UsbSelected);
    EXPECT_TRUE(link.LibraryBound());
    hooks.Reset();
    link.Unload();  // opened state is 0 now: released without a second close
    EXPECT_EQ(hooks.Calls(), "");
    EXPECT_FALSE(link.LibraryBound());
}

TEST_F(UsbLinkTest, UnloadClosesAnOpenAdapterFirst)
{
    ASSERT_TRUE(link.Open(Settings()));
    link.Unload();
    EXPECT_EQ(hooks.Calls(), "Init(1,1,/logs/debugusbkovrin.log);Close(0);");
    EXPECT_FALSE(UsbSelected);
}

} // namespace
} // namespace kovrin
