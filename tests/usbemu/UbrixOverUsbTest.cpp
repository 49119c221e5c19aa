// The production bridge library (hidapi over libusb) through its six exports, against
// adapters emulated at usbfs whose serial side is an ats-sim pty.
#include "EmulatedAdapter.h"
#include "UbrixLibrary.h"

#include "comm/Frame.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace kovrin::usbemu {
namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class UbrixOverUsb : public testing::TestWithParam<DeviceKind> {
protected:
    void SetUp() override
    {
        testbed.emplace();
        if (!Testbed::Active()) GTEST_SKIP() << "needs umockdev's preload library (umockdev-wrapper)";
        std::string error;
        auto started = sim::SimProcess::Start({"--fast"}, error);
        ASSERT_TRUE(started) << error;
        simulator.emplace(std::move(*started));
        tracePath = testing::TempDir() + "ubrix-usb-" + std::to_string(::getpid()) + ".log";
        std::filesystem::remove(tracePath);
    }
    void TearDown() override
    {
        library.reset();
        testbed.reset();
        std::filesystem::remove(tracePath);
    }

    Device& PlugAdapter(Behaviour behaviour = {}) { return testbed->Plug(GetParam(), simulator->path(), behaviour); }
    int Init()
    {
        library.emplace();
        return library->Init(0, 1, tracePath.c_str());
    }
    std::string Trace() const { return ReadAll(tracePath); }

    // One request the way the program's link sends it; the answer's bytes as taken.
    std::string Exchange(const Frame& request, std::chrono::milliseconds wait = 5s)
    {
        std::array<char, 220> buffer{};
        std::copy(request.begin(), request.end(), buffer.begin());
        library->Send(buffer.data(), static_cast<int>(buffer.size()));
        if (!library->Opened()) return {};
        library->Request(1);
        std::string got;
        std::array<char, 1200> in{};
        for (const auto end = Clock::now() + wait; Clock::now() < end;) {
            got.append(in.data(), static_cast<std::size_t>(library->Take(in.data())));
            if (!got.empty() && got.back() == kEtx) {
                library->Request(0);
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
        return got;
    }

    std::optional<Testbed> testbed;
    std::optional<sim::SimProcess> simulator;
    std::optional<UbrixLibrary> library;
    std::string tracePath;
};

// Discovery past a HID device that is no adapter, the serial-bridge set-up, the output
// report layout and pacing, input decoding and the trace file, for one request.
TEST_P(UbrixOverUsb, FindsTheAdapterAndCarriesOneExchange)
{
    Device& keyboard = testbed->Plug(DeviceKind::Keyboard);
    Device& adapter = PlugAdapter();
    ASSERT_EQ(Init(), 0) << Trace();
    EXPECT_EQ(library->Opened(), 1);

    const Frame request = BuildRequestGI();
    const std::string answer = Exchange(request);
    ASSERT_EQ(answer.size(), kAnswerGI.expected) << Trace();
    EXPECT_TRUE(AcceptAnswer(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size(),
                             kAnswerGI.expected, kAnswerGI.alternative));

    const Observed seen = adapter.Seen();
    const bool bridge = GetParam() == DeviceKind::SerialBridge;
    EXPECT_EQ(seen.claims, 1);
    EXPECT_EQ(keyboard.Seen().claims, 0) << "a HID device that is no adapter was claimed";
    if (bridge) {
        EXPECT_EQ(seen.controls, (std::vector<std::string>{"GET_REPORT feature", "SET_REPORT feature b0 04 00 00 03",
                                                           "GET_REPORT feature"}));
    } else {
        EXPECT_TRUE(seen.controls.empty()) << seen.controls.front();
    }

    // Twelve bytes: three reports, four data bytes each, in order.
    ASSERT_EQ(seen.outputs.size(), 3u);
    for (std::size_t i = 0; i < seen.outputs.size(); ++i) {
        Bytes expected(request.begin() + 4 * i, request.begin() + 4 * i + 4);
        if (bridge) {
            expected.insert(expected.begin(), 0x34);
            expected.resize(8, 0);
        }
        EXPECT_EQ(Hex(seen.outputs[i].data(), seen.outputs[i].size()), Hex(expected.data(), expected.size())) << i;
    }

    // The input reports, decoded by their layout, are the answer.
    std::string carried;
    for (const Bytes& report : seen.inputs) {
        const std::size_t first = bridge ? 1 : 0;
        const std::size_t count = bridge ? report[0] & 0x07 : 4;
        for (std::size_t i = first; i < first + count && report[i] != 0; ++i) carried += static_cast<char>(report[i]);
    }
    EXPECT_EQ(carried, answer);

    const std::string trace = Trace();
    // The listing's order is libusb's; the adapter ends it.
    const std::string selected = std::string(bridge ? "1204" : "2669") + " ... OK";
    EXPECT_NE(trace.find("\r\nUSB HID devices:\r\n "), std::string::npos) << trace;
    EXPECT_NE(trace.find(selected), std::string::npos) << trace;
    const std::string written = bridge ? "9" : "5";
    // The reader's first line may land anywhere in the write's line: look at the steps.
    std::size_t at = trace.find("\r\nUSB: Send_USB_Packet: WriteFile [3] ... Step:");
    for (const std::string step : {"0 Writed:", "1 Writed:", "2 Writed:"}) {
        at = trace.find(step + written + " ", at);
        EXPECT_NE(at, std::string::npos) << step << "\n" << trace;
    }
    EXPECT_NE(trace.find(" OK ", at), std::string::npos) << trace;
}

// An adapter whose interface another program holds is not selected.
TEST_P(UbrixOverUsb, BusyInterfaceIsNoAdapter)
{
    Device& adapter = PlugAdapter({.claimBusy = true});
    EXPECT_EQ(Init(), 98);
    EXPECT_EQ(library->Opened(), 0);
    EXPECT_GE(adapter.Seen().claimRefusals, 1);
    EXPECT_NE(Trace().find("\r\n 1. - VendorID: 0"), std::string::npos) << Trace();
    EXPECT_EQ(Trace().find(" ... OK"), std::string::npos) << Trace();
}

// Unplugged while an answer is awaited: the next send finds it gone and no adapter; once
// it is back, the send after that finds it again and the exchange works.
TEST_P(UbrixOverUsb, UnpluggedAdapterIsFoundAgainAtTheNextSend)
{
    Device& adapter = PlugAdapter();
    ASSERT_EQ(Init(), 0);
    adapter.SetSilent(true);
    EXPECT_EQ(Exchange(BuildRequestGI(), 500ms), "");
    testbed->Unplug(adapter);

    EXPECT_EQ(Exchange(BuildRequestGN()), "");
    EXPECT_EQ(library->Opened(), 0);
    EXPECT_NE(Trace().find(" is still attached? no! \r\nUSB: Send_USB_Packet: try reopen USB connection "),
              std::string::npos)
        << Trace();

    PlugAdapter();
    const std::string answer = Exchange(BuildRequestGN());
    EXPECT_EQ(library->Opened(), 1);
    EXPECT_EQ(answer.size(), kAnswerGN.expected) << Trace();
}

// An adapter that never takes an output report: each step waits out the full bound.
TEST_P(UbrixOverUsb, WriteThatIsNeverTakenTimesOut)
{
    PlugAdapter({.takeNoOutput = true});
    ASSERT_EQ(Init(), 0);
    std::array<char, 8> buffer{'A', 'B', 'C', 'D'};
    library->Send(buffer.data(), static_cast<int>(buffer.size()));
    EXPECT_NE(Trace().find("\r\nUSB Write Wait result: [258]"), std::string::npos) << Trace();
}

INSTANTIATE_TEST_SUITE_P(Kinds, UbrixOverUsb, testing::Values(DeviceKind::Plain, DeviceKind::SerialBridge),
                         [](const auto& info) { return info.param == DeviceKind::Plain ? "Plain" : "SerialBridge"; });

} // namespace
} // namespace kovrin::usbemu
