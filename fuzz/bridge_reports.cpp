// The bridge library's report handling on arbitrary input: input reports of either
// adapter through the reader into the pending buffer, and one packet of arbitrary bytes
// and buffer size out through the paced write path, over a scripted HID back end.
// What comes out is compared with the report layouts of the two adapters.
#include "Adapters.h"
#include "Bridge.h"
#include "FakeHidBackend.h"
#include "PendingBuffer.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ubrix;

class InstantRuntime final : public Runtime {
public:
    void sleepFor(std::chrono::milliseconds) override {}
    void raiseCurrentThreadPriority() override {}
};

using Bytes = std::vector<std::uint8_t>;

// Data bytes an input report carries, read from the layout: plain reports hold up to four
// at 1..4, serial-bridge reports n = byte 1 & 7 from byte 2 on; a zero ends them early.
Bytes ExpectedData(AdapterKind kind, const Bytes& report)
{
    const std::size_t first = kind == AdapterKind::Plain ? 1 : 2;
    const std::size_t count = kind == AdapterKind::Plain ? 4 : (report[1] & 0x07);
    Bytes out;
    for (std::size_t i = first; i < first + count && i < report.size() && report[i] != 0; ++i)
        out.push_back(report[i]);
    return out;
}

// The output reports for a packet: the text padded with zeros to a multiple of four, four
// bytes per report; nothing when the padding and its terminator do not fit the buffer.
std::vector<Bytes> ExpectedWrites(AdapterKind kind, const char* buf, std::size_t size)
{
    const std::size_t length = strnlen(buf, size);
    const std::size_t padded = (length + 3) / 4 * 4;
    std::vector<Bytes> reports;
    if (padded + 1 > size)
        return reports;
    for (std::size_t at = 0; at < padded; at += 4) {
        Bytes r = kind == AdapterKind::Plain ? Bytes{0x00} : Bytes{0x00, 0x34};
        for (std::size_t i = at; i < at + 4; ++i)
            r.push_back(i < length ? static_cast<std::uint8_t>(buf[i]) : 0);
        r.resize(kind == AdapterKind::Plain ? 5 : 9, 0);
        reports.push_back(r);
    }
    return reports;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const AdapterKind kind = data[0] & 1 ? AdapterKind::SerialBridge : AdapterKind::Plain;
    const unsigned char console = data[0] & 2 ? 1 : 0;
    const std::size_t reportLength = kind == AdapterKind::Plain ? 5 : 9;

    // The packet: `capacity` bytes of buffer, the text from the input.
    const std::size_t capacity = 1 + data[1];
    const std::size_t textBytes = std::min<std::size_t>(data[2], size - 3);
    std::unique_ptr<char[]> packet(new char[capacity]);
    std::memset(packet.get(), 'x', capacity);
    std::memcpy(packet.get(), data + 3, std::min(textBytes, capacity));
    const std::vector<Bytes> writes = ExpectedWrites(kind, packet.get(), capacity);

    // Input reports: the rest of the input, one report length at a time.
    std::vector<Bytes> reports;
    for (std::size_t at = 3 + textBytes; at < size; at += reportLength) {
        Bytes r(data + at, data + std::min(size, at + reportLength));
        r.resize(reportLength, 0);
        reports.push_back(r);
    }
    Bytes expected;
    for (const Bytes& r : reports) {
        const Bytes d = ExpectedData(kind, r);
        expected.insert(expected.end(), d.begin(), d.end());
    }
    if (expected.size() > PendingBuffer::kLimit)
        expected.resize(PendingBuffer::kLimit);

    // Straight decoding of short and odd-sized reports must stay inside them as well.
    for (std::size_t n = 0; n <= std::min<std::size_t>(size, 12); ++n) {
        std::uint8_t out[7];
        FUZZ_CHECK(decodeInputReport(kind, std::span<const std::uint8_t>(data, n), out) <= 7, "too many bytes");
    }

    test::FakeHidBackend hid;
    hid.addDevice(kind == AdapterKind::Plain ? test::kPlain : test::kBridge);
    InstantRuntime runtime;
    Bridge bridge(hid, runtime, [](std::string_view) {});
    FUZZ_CHECK(bridge.USB_COM_Init(console, 0, "") == status::kOk, "the adapter did not open");

    for (const Bytes& r : reports)
        hid.pushInput(0, r);
    FUZZ_CHECK(hid.waitInputConsumed(0), "the reader did not take its reports");
    std::vector<char> taken(PendingBuffer::kSize, 0);
    const int count = bridge.Get_USB_Packet(taken.data());
    FUZZ_CHECK(count >= 0 && static_cast<std::size_t>(count) == expected.size(), "wrong number of bytes taken");
    FUZZ_CHECK(std::equal(expected.begin(), expected.end(), reinterpret_cast<std::uint8_t*>(taken.data())),
               "wrong bytes taken");
    FUZZ_CHECK(bridge.Get_USB_Packet(taken.data()) == 0, "bytes delivered twice");

    FUZZ_CHECK(bridge.Send_USB_Packet(packet.get(), static_cast<int>(capacity)) == 0, "send result");
    FUZZ_CHECK(hid.writes(0) == writes, "output reports differ from the layout");

    FUZZ_CHECK(bridge.USB_COM_Close(0) == 0, "close result");
    FUZZ_CHECK(!bridge.readerRunning(), "reader still running after close");
    return 0;
}
