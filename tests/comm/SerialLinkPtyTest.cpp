// The link over a real pseudo-terminal: line settings, purges, the bounded read, and a
// peer that hangs up. A few of these take real time (at most about three seconds each).
#include "comm/CommPort.h"

#include "comm/Frame.h"
#include "platform/Pty.h"
#include "tests/comm/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <poll.h>
#include <termios.h>
#include <thread>

namespace kovrin {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class SerialLinkPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        port.portName = pty.slavePath();
    }

    // Waits until the line discipline has taken bytes written on the master side.
    void awaitPendingOnSlave(int count)
    {
        for (int i = 0; i < 200 && pty.pendingOnSlave() < count; ++i) {
            pollfd p{pty.slaveFd(), POLLIN, 0};
            ::poll(&p, 1, 5);
        }
        ASSERT_GE(pty.pendingOnSlave(), count);
    }

    Frame exchange(const Frame& request, const Frame& answer, AnswerSizes sizes, bool& ok)
    {
        EXPECT_TRUE(port.WriteBuffer(request.data(), request.size()));
        const auto seen = pty.readMaster(request.size(), 1000ms);
        EXPECT_EQ(Frame(seen.begin(), seen.end()), request);
        EXPECT_TRUE(pty.writeMaster(answer));
        std::uint8_t buffer[128];
        std::size_t received = 0;
        ok = port.ReadBuffer(buffer, sizeof buffer, received, sizes.expected, sizes.alternative);
        return Frame(buffer, buffer + received);
    }

    PtyPair pty;
    CommPort port;
};

TEST_F(SerialLinkPty, OpenPortSetsRaw8N1WithoutFlowControl)
{
    struct Case {
        int speed;
        speed_t constant;
    } cases[] = {{0, B1200}, {1, B9600}, {5, B19200}};
    for (const Case& c : cases) {
        ASSERT_TRUE(port.OpenPort(c.speed)) << c.speed;
        termios tio{};
        ASSERT_EQ(::tcgetattr(pty.slaveFd(), &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), c.constant);
        EXPECT_EQ(::cfgetispeed(&tio), c.constant);
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_NE(tio.c_cflag & CREAD, 0u);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        port.ClosePort();
    }
}

TEST_F(SerialLinkPty, OpenAndFreeBufferDiscardWhatIsPending)
{
    ASSERT_TRUE(pty.writeMaster({'j', 'u', 'n', 'k'}));
    awaitPendingOnSlave(4);
    ASSERT_TRUE(port.ConnectPort());
    EXPECT_EQ(pty.pendingOnSlave(), 0);

    ASSERT_TRUE(pty.writeMaster({'m', 'o', 'r', 'e'}));
    awaitPendingOnSlave(4);
    EXPECT_TRUE(port.FreeBuffer());
    EXPECT_EQ(pty.pendingOnSlave(), 0);
}

TEST_F(SerialLinkPty, ExchangesFramesBothWays)
{
    ASSERT_TRUE(port.ConnectPort());
    Identification id{"CODE", "MODEL", "FW", '1', '2', '3', '4'};
    bool ok = false;
    const Frame gi = BuildAnswerGI(id);
    EXPECT_EQ(exchange(BuildRequestGI(), gi, kAnswerGI, ok), gi);
    EXPECT_TRUE(ok);
    const Frame gm = BuildAnswerGM(0xBEEF);
    const auto start = SteadyClock::now();
    EXPECT_EQ(exchange(BuildRequestGM(3), gm, kAnswerGM, ok), gm);
    EXPECT_TRUE(ok);
    EXPECT_LT(SteadyClock::now() - start, 900ms);  // a complete answer does not wait for the 1 s interval
}

TEST_F(SerialLinkPty, ShortAnswerCompletesAfterTheInterval)
{
    ASSERT_TRUE(port.ConnectPort());
    bool ok = false;
    const auto start = SteadyClock::now();
    const Frame answer = exchange(BuildRequestGM(0), BuildShortAnswer("GM"), kAnswerGM, ok);
    const auto elapsed = SteadyClock::now() - start;
    EXPECT_TRUE(ok);
    EXPECT_EQ(answer.size(), 12u);
    EXPECT_GE(elapsed, 950ms);
    EXPECT_LT(elapsed, 2900ms);  // not the whole read timeout
}

TEST_F(SerialLinkPty, SilentSwitchTimesOutAfterThreeSeconds)
{
    LogCapture log;
    ASSERT_TRUE(port.ConnectPort());
    std::uint8_t buffer[64];
    std::size_t received = 0;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(port.ReadBuffer(buffer, sizeof buffer, received, 16, 12));
    const auto elapsed = SteadyClock::now() - start;
    EXPECT_GE(elapsed, 2950ms);
    EXPECT_LT(elapsed, 5000ms);  // one timeout, not two
    EXPECT_NE(log.console().find("Serial Error Timeout ReadFile: 110"), std::string::npos);
}

TEST_F(SerialLinkPty, PeerHangUpFailsTheReadAtOnce)
{
    LogCapture log;
    ASSERT_TRUE(port.ConnectPort());
    pty.closeMaster();
    std::uint8_t buffer[64];
    std::size_t received = 0;
    const auto start = SteadyClock::now();
    EXPECT_FALSE(port.ReadBuffer(buffer, sizeof buffer, received, 16, 12));
    EXPECT_LT(SteadyClock::now() - start, 2500ms);  // not the read timeout
    EXPECT_NE(log.console().find("Serial Error ReadFile: 5"), std::string::npos);
}

TEST_F(SerialLinkPty, DeviceIsNotShared)
{
    ASSERT_TRUE(port.ConnectPort());
    CommPort second;
    second.portName = pty.slavePath();
    EXPECT_FALSE(second.ConnectPort());
    port.ClosePort();
    EXPECT_TRUE(second.ConnectPort());  // free again once closed
}

TEST(SerialLink, MissingDeviceCannotBeOpened)
{
    CommPort port;
    port.portName = "/dev/kovrin-no-such-device";
    EXPECT_FALSE(port.ConnectPort());
    EXPECT_FALSE(port.IsOpen());
}

} // namespace
} // namespace kovrin
