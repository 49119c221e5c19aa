// The link operations over an injected device: every failure path and its log text, and
// the USB branches.
#include "comm/CommPort.h"

#include "comm/Frame.h"
#include "comm/UsbLinkClient.h"
#include "tests/comm/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kovrin {
namespace {

struct DeviceScript {
    bool purgeOk = true;
    SerialStatus writeStatus = SerialStatus::Done;
    std::size_t writeLimit = 1000;  // bytes the device takes per write
    SerialStatus readStatus = SerialStatus::Done;
    unsigned error = 0;
    Frame answer;
    // What happened.
    int purges = 0;
    int cancels = 0;
    Frame sent;
    bool destroyed = false;
};

class FakeDevice final : public SerialPort {
public:
    explicit FakeDevice(DeviceScript& s) : s_(s) {}
    ~FakeDevice() override { s_.destroyed = true; }
    bool Purge(unsigned& error) override
    {
        ++s_.purges;
        error = s_.error;
        return s_.purgeOk;
    }
    SerialStatus Write(const std::uint8_t* data, std::size_t count, std::size_t& written, unsigned& error) override
    {
        written = std::min(count, s_.writeLimit);
        s_.sent.insert(s_.sent.end(), data, data + written);
        error = s_.error;
        return s_.writeStatus;
    }
    SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error) override
    {
        received = std::min(expected, s_.answer.size());
        std::copy_n(s_.answer.begin(), received, buffer);
        error = s_.error;
        return s_.readStatus;
    }
    void CancelWrite() override { ++s_.cancels; }

private:
    DeviceScript& s_;
};

struct Opened {
    std::string device;
    unsigned baud = 0;
};

CommPort MakePort(DeviceScript& script, Opened* opened = nullptr, bool openFails = false)
{
    return CommPort([&script, opened, openFails](const std::string& device, unsigned baud, unsigned& error)
                        -> std::unique_ptr<SerialPort> {
        if (opened)
            *opened = {device, baud};
        if (openFails) {
            error = 2;
            return nullptr;
        }
        script.destroyed = false;
        return std::make_unique<FakeDevice>(script);
    });
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(CommPort, OpenUsesTheMappedDeviceAndSpeed)
{
    DeviceScript script;
    Opened opened;
    ::setenv("KOVRIN_COM3", "/dev/pts/77", 1);
    struct Case {
        const char* name;
        int speed;
        const char* device;
        unsigned baud;
    } cases[] = {
        {"COM1", 0, "/dev/ttyS0", 1200}, {"COM8", 1, "/dev/ttyS7", 9600}, {"COM3", 2, "/dev/pts/77", 19200},
        {"/dev/ttyUSB0", 0, "/dev/ttyUSB0", 1200}, {"COM9", 0, "COM9", 1200},
    };
    for (const Case& c : cases) {
        CommPort port = MakePort(script, &opened);
        port.portName = c.name;
        EXPECT_TRUE(port.OpenPort(c.speed)) << c.name;
        EXPECT_EQ(opened.device, c.device) << c.name;
        EXPECT_EQ(opened.baud, c.baud) << c.name;
    }
    ::unsetenv("KOVRIN_COM3");
}

TEST(CommPort, ConnectPortPurgesAndFailsCleanly)
{
    LogCapture log;
    {
        DeviceScript script;
        CommPort port = MakePort(script);
        port.portName = "COM1";
        EXPECT_TRUE(port.ConnectPort());
        EXPECT_TRUE(port.IsOpen());
        EXPECT_EQ(script.purges, 1);
    }
    {
        DeviceScript script;
        script.purgeOk = false;
        script.error = 13;
        CommPort port = MakePort(script);
        port.portName = "COM1";
        EXPECT_FALSE(port.ConnectPort());
        EXPECT_FALSE(port.IsOpen());
        EXPECT_TRUE(script.destroyed);
        EXPECT_TRUE(EndsWith(log.console(), "Serial Error: Free Buffer 13"));
    }
    {
        DeviceScript script;
        CommPort port = MakePort(script, nullptr, true);
        port.portName = "COM2";
        EXPECT_FALSE(port.ConnectPort());
        EXPECT_FALSE(port.IsOpen());
        EXPECT_NE(log.console().find("Serial Error: cannot open /dev/ttyS1: 2"), std::string::npos);
    }
}

TEST(CommPort, WriteBufferTracesThenReportsEachFailure)
{
    const Frame gi = BuildRequestGI();
    struct Case {
        const char* what;
        SerialStatus status;
        std::size_t limit;
        bool ok;
        const char* logged;
        int cancels;
    } cases[] = {
        {"written", SerialStatus::Done, 1000, true, "->02->30->31->47->49->30->30->30->31->35->31->03\n\r", 0},
        {"error", SerialStatus::Failed, 1000, false, "Serial Error WriteFile: 5", 1},
        {"time-out", SerialStatus::TimedOut, 0, false, "Serial Error Timeout WriteFile: 5", 1},
        {"completion", SerialStatus::ResultFailed, 0, false, "Serial Error GetOverlapped Write Result: 5", 1},
        {"short write", SerialStatus::Done, 7, false,
         "Serial Error: Number of writed byte 7 <> Number of written bytes 12 [2 30 31 47 49 30]", 0},
    };
    for (const Case& c : cases) {
        LogCapture log;
        DeviceScript script;
        script.writeStatus = c.status;
        script.writeLimit = c.limit;
        script.error = 5;
        CommPort port = MakePort(script);
        port.portName = "COM1";
        ASSERT_TRUE(port.OpenPort(0));
        EXPECT_EQ(port.WriteBuffer(gi.data(), gi.size()), c.ok) << c.what;
        EXPECT_TRUE(EndsWith(log.console(), c.logged)) << c.what << ": " << log.console();
        EXPECT_EQ(log.console().rfind("\n\r 12\\07 10:11:12  sent 12 bytes: \n  \n", 0), 0u) << c.what;
        EXPECT_EQ(script.cancels, c.cancels) << c.what;
        EXPECT_TRUE(port.IsOpen()) << c.what;  // the transfer that called closes it
    }
}

TEST(CommPort, ReadBufferReportsEachFailureAndJudgesTheAnswer)
{
    struct Case {
        const char* what;
        SerialStatus status;
        Frame answer;
        bool ok;
        const char* logged;
    } cases[] = {
        {"answer", SerialStatus::Done, BuildAnswerGM(0x1234), true, " ...\n\r"},
        {"alternative answer", SerialStatus::Done, BuildShortAnswer("GM"), true, " ...\n\r"},
        {"damaged answer", SerialStatus::Done, [] { Frame f = BuildAnswerGM(1); f[12] ^= 1; return f; }(), false,
         "Serial Error: bad CRC"},
        {"short answer", SerialStatus::Done, Frame(5, '0'), false, "Serial Error: Number of readed byte 5 [16]"},
        {"time-out", SerialStatus::TimedOut, {}, false, "Serial Error Timeout ReadFile: 110"},
        {"device error", SerialStatus::Failed, {}, false, "Serial Error ReadFile: 110"},
        {"completion", SerialStatus::ResultFailed, {}, false, "Serial Error GetOverlapped Read Result: 110"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        DeviceScript script;
        script.readStatus = c.status;
        script.answer = c.answer;
        script.error = 110;
        CommPort port = MakePort(script);
        port.portName = "COM1";
        ASSERT_TRUE(port.OpenPort(0));
        std::uint8_t buffer[64];
        std::size_t received = 99;
        EXPECT_EQ(port.ReadBuffer(buffer, sizeof buffer, received, 16, 12), c.ok) << c.what;
        EXPECT_EQ(received, c.answer.size()) << c.what;
        EXPECT_TRUE(EndsWith(log.console(), c.logged)) << c.what << ": " << log.console();
    }
}

TEST(CommPort, ReadBufferNeverWritesPastTheCallersBuffer)
{
    DeviceScript script;
    script.answer = BuildAnswerGI({});
    CommPort port = MakePort(script);
    port.portName = "COM1";
    ASSERT_TRUE(port.OpenPort(0));
    std::uint8_t buffer[20];
    std::size_t received = 0;
    EXPECT_FALSE(port.ReadBuffer(buffer, sizeof buffer, received, 68, 12));
    EXPECT_EQ(received, 20u);
}

TEST(CommPort, ClosedPortFailsEveryOperationAndClosesTwiceHarmlessly)
{
    LogCapture log;
    DeviceScript script;
    CommPort port = MakePort(script);
    port.portName = "COM1";
    ASSERT_TRUE(port.ConnectPort());
    port.ClosePort();
    EXPECT_TRUE(script.destroyed);
    port.ClosePort();
    const Frame gi = BuildRequestGI();
    std::uint8_t buffer[64];
    std::size_t received = 0;
    log.clear();
    EXPECT_FALSE(port.FreeBuffer());
    EXPECT_TRUE(EndsWith(log.console(), "Serial Error: Free Buffer 9"));
    EXPECT_FALSE(port.WriteBuffer(gi.data(), gi.size()));
    EXPECT_TRUE(EndsWith(log.console(), "Serial Error WriteFile: 9"));
    EXPECT_FALSE(port.ReadBuffer(buffer, sizeof buffer, received, 68, 12));
    EXPECT_TRUE(EndsWith(log.console(), "Serial Error ReadFile: 9"));
}

class FakeUsbClient final : public UsbLinkClient {
public:
    void Send(const std::uint8_t* frame, std::size_t size) override { sent.assign(frame, frame + size); }
    bool Read(std::uint8_t* buffer, std::size_t, std::size_t& received, std::size_t expected,
              std::size_t alternative) override
    {
        ++reads;
        const Frame a = BuildAnswerSM();
        std::copy(a.begin(), a.end(), buffer);
        received = a.size();
        return AcceptAnswer(buffer, received, expected, alternative);
    }
    void Close() override
    {
        ++closes;
        UsbSelected = false;
    }
    Frame sent;
    int reads = 0;
    int closes = 0;
};

TEST(CommPort, UsbSelectedSendsTheOperationsToTheUsbClient)
{
    LogCapture log;
    FakeUsbClient client;
    SetUsbLinkClient(&client);
    UsbSelected = true;
    UsbAnswerPending = false;

    CommPort port;  // no device is ever opened on a USB link
    port.portName = "USB";
    EXPECT_TRUE(port.FreeBuffer());
    const Frame sm = BuildRequestSM(1, 2);
    EXPECT_TRUE(port.WriteBuffer(sm.data(), sm.size()));
    EXPECT_EQ(client.sent, sm);
    EXPECT_NE(log.console().find("sent 20 bytes"), std::string::npos);

    std::uint8_t buffer[64];
    std::size_t received = 0;
    // No answer awaited (the adapter was not open after the send): the serial way, which fails.
    EXPECT_FALSE(port.ReadBuffer(buffer, sizeof buffer, received, 12, 12));
    EXPECT_TRUE(EndsWith(log.console(), "Serial Error ReadFile: 9"));
    EXPECT_EQ(client.reads, 0);

    UsbAnswerPending = true;
    EXPECT_TRUE(port.ReadBuffer(buffer, sizeof buffer, received, 12, 12));
    EXPECT_EQ(received, 12u);
    EXPECT_EQ(client.reads, 1);

    port.ClosePort();
    EXPECT_EQ(client.closes, 1);
    EXPECT_FALSE(UsbSelected);
    port.ClosePort();  // closed: the USB close does not run again
    EXPECT_EQ(client.closes, 1);

    SetUsbLinkClient(nullptr);
    UsbAnswerPending = false;
}

} // namespace
} // namespace kovrin
