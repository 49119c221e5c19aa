// The client over the simulated-adapter build of the bridge library, bridged to ats-sim:
// the real library, its reader thread and pacing, and a switch on a pty.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "comm/UsbLinkClient.h"
#include "comm/usb/UsbLink.h"
#include "platform/Folders.h"
#include "tools/ats-sim/harness/SimProcess.h"

namespace kovrin {
namespace {

using namespace std::chrono_literals;

std::string SimLibraryPath()
{
    const char* bin = std::getenv("KOVRIN_BIN_DIR");
    return (bin != nullptr ? std::string(bin) + "/" : ProgramFolder()) + "sim/libubrix.so";
}

class UsbSimLinkTest : public ::testing::TestWithParam<const char*> {
protected:
    void Start(const std::vector<std::string>& simOptions)
    {
        std::string error;
        auto started = sim::SimProcess::Start(simOptions, error);
        ASSERT_TRUE(started) << error;
        simulator.emplace(std::move(*started));
        setenv("UBRIX_SIM_TTY", simulator->path().c_str(), 1);
        setenv("UBRIX_SIM_KIND", GetParam(), 1);
        ASSERT_TRUE(link.Open({SimLibraryPath(), false, ""}));
        ASSERT_EQ(link.OpenedState(), 1);
    }

    // One request and its answer, the way a transfer does it.
    bool Exchange(const Frame& request, AnswerSizes sizes, std::vector<std::uint8_t>& answer)
    {
        link.Send(request.data(), request.size());
        if (!UsbAnswerPending)
            return false;
        answer.assign(80, 0);
        std::size_t received = 0;
        const bool ok = link.Read(answer.data(), answer.size(), received, sizes.expected, sizes.alternative);
        answer.resize(received);
        return ok;
    }

    void TearDown() override
    {
        link.Close();
        EXPECT_FALSE(UsbSelected);
        EXPECT_FALSE(link.LibraryBound());
    }

    std::optional<sim::SimProcess> simulator;
    UsbLink link{[] {
        UsbLinkServices s;
        s.log = [](std::string_view text) { DebugLog(text); };
        s.trace = [](std::uint8_t b, int kind) { TraceByte(b, kind); };
        s.accept = AcceptAnswer;
        s.clock = &systemClock();
        s.readUsb = NamedEvent::create(kReadUsbEventName);
        return s;
    }()};
};

TEST_P(UsbSimLinkTest, ReadsAndWritesTheSwitch)
{
    Start({"--fast", "--model", "USB-MODEL", "--word", "3=0x0151"});
    std::vector<std::uint8_t> answer;

    ASSERT_TRUE(Exchange(BuildRequestGI(), kAnswerGI, answer));
    ASSERT_EQ(answer.size(), 68u);
    EXPECT_EQ(std::string(answer.begin() + 23, answer.begin() + 32), "USB-MODEL");

    ASSERT_TRUE(Exchange(BuildRequestGN(), kAnswerGN, answer));
    EXPECT_EQ(answer.size(), 34u);

    ASSERT_TRUE(Exchange(BuildRequestGM(3), kAnswerGM, answer));
    EXPECT_EQ(DecodeWordAnswer(answer.data()).value(), 0x0151);

    ASSERT_TRUE(Exchange(BuildRequestSM(3, 0xABCD), kAnswerSM, answer));
    ASSERT_TRUE(Exchange(BuildRequestGM(3), kAnswerGM, answer));
    EXPECT_EQ(DecodeWordAnswer(answer.data()).value(), 0xABCD);
}

TEST_P(UsbSimLinkTest, SilentSwitchFailsTheReadWithinTheBound)
{
    Start({"--fast", "--mute"});
    std::vector<std::uint8_t> answer;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Exchange(BuildRequestGM(0), kAnswerGM, answer));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(answer.empty());
    EXPECT_GE(waited, 3000ms);
    EXPECT_LT(waited, 6000ms);
}

INSTANTIATE_TEST_SUITE_P(AdapterKinds, UsbSimLinkTest, ::testing::Values("plain", "bridge"));

} // namespace
} // namespace kovrin
