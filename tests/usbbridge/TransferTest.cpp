// The reader thread's decoding and pending buffer, and the paced write path.
#include "BridgeFixture.h"

#include <thread>

namespace ubrix::test {
namespace {

using namespace std::chrono_literals;

TEST_F(BridgeTest, InputReportsDecodedByKind) {
    struct Case {
        const char* name;
        FakeDevice device;
        std::vector<std::uint8_t> report;
        std::string data;
    };
    const Case cases[] = {
        {"plain, four bytes", kPlain, bytes({7, 'A', 'B', 'C', 'D'}), "ABCD"},
        {"plain, first zero ends", kPlain, bytes({0, 'A', 0, 'B', 'C'}), "A"},
        {"plain, nothing", kPlain, bytes({0, 0, 'B', 'C', 'D'}), ""},
        {"bridge, three", kBridge, bytes({0, 0x03, 'x', 'y', 'z', 'w', 'v', 'u', 't'}), "xyz"},
        {"bridge, none", kBridge, bytes({0, 0x00, 'x', 'y', 'z', 'w', 'v', 'u', 't'}), ""},
        {"bridge, high bits ignored", kBridge, bytes({0, 0xF2, 'x', 'y', 'z', 0, 0, 0, 0}), "xy"},
        {"bridge, seven", kBridge, bytes({0, 0x07, '1', '2', '3', '4', '5', '6', '7'}), "1234567"},
        {"bridge, zero ends early", kBridge, bytes({0, 0x06, 'a', 'b', 0, 'c', 'd', 'e', 0}), "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidBackend h;
        h.addDevice(c.device);
        Bridge b(h, runtime, [](std::string_view) {});
        ASSERT_EQ(b.USB_COM_Init(0, 0, ""), 0);
        h.pushInput(0, c.report);
        h.pushReadTimeout(0); // a time-out between reports changes nothing
        ASSERT_TRUE(h.waitInputConsumed(0));
        std::vector<char> buf(PendingBuffer::kLimit);
        EXPECT_EQ(std::string(buf.data(), static_cast<std::size_t>(b.Get_USB_Packet(buf.data()))), c.data);
        EXPECT_EQ(b.Get_USB_Packet(buf.data()), 0);
    }
}

TEST_F(BridgeTest, PendingBufferHolds1199BytesUntilTaken) {
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    for (int i = 0; i < 301; ++i) hid.pushInput(0, bytes({0, 'a' + i % 26, 'b', 'c', 'd'}));
    const std::string first = received();
    ASSERT_EQ(first.size(), 1199u);
    EXPECT_EQ(first.substr(0, 8), "abcdbbcd");
    EXPECT_EQ(first.back(), 'c'); // report 299's fourth byte found the buffer full
    EXPECT_EQ(received(), "");
    hid.pushInput(0, bytes({0, 'N', 'E', 'W', 0}));
    EXPECT_EQ(received(), "NEW");
}

// The client takes while the reader appends: every byte arrives once and in order.
TEST_F(BridgeTest, TakeAndAppendNeverOverlap) {
    hid.addDevice(kBridge);
    ASSERT_EQ(init(), 0);
    std::string sent;
    std::string got;
    std::vector<char> buf(PendingBuffer::kLimit);
    for (int batch = 0; batch < 20; ++batch) {
        for (int i = 0; i < 40; ++i) {
            const auto n = static_cast<std::uint8_t>(1 + (batch * 40 + i) % 7);
            std::vector<std::uint8_t> report(9, 0);
            report[1] = n;
            for (int k = 0; k < n; ++k) {
                report[2 + k] = static_cast<std::uint8_t>('!' + (sent.size() % 90));
                sent += static_cast<char>(report[2 + k]);
            }
            hid.pushInput(0, report);
        }
        while (got.size() < sent.size()) {
            const int n = bridge.Get_USB_Packet(buf.data());
            got.append(buf.data(), static_cast<std::size_t>(n));
            if (n == 0) std::this_thread::yield();
        }
    }
    EXPECT_EQ(got, sent);
}

struct WriteCase {
    const char* name;
    FakeDevice device;
    std::string text;
    std::vector<std::vector<std::uint8_t>> reports;
};

TEST_F(BridgeTest, PacketsGoOutFourBytesPerReport) {
    const WriteCase cases[] = {
        {"plain, padded", kPlain, "ABCDE", {bytes({0, 'A', 'B', 'C', 'D'}), bytes({0, 'E', 0, 0, 0})}},
        {"bridge, padded", kBridge, "ABCDE",
         {bytes({0, 0x34, 'A', 'B', 'C', 'D', 0, 0, 0}), bytes({0, 0x34, 'E', 0, 0, 0, 0, 0, 0})}},
        {"bridge, exact", kBridge, "WXYZ", {bytes({0, 0x34, 'W', 'X', 'Y', 'Z', 0, 0, 0})}},
        {"plain, empty", kPlain, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidBackend h;
        h.addDevice(c.device);
        FakeRuntime r;
        TraceLog text;
        Bridge b(h, r, text.writer());
        ASSERT_EQ(b.USB_COM_Init(1, 0, ""), 0);
        ASSERT_TRUE(h.waitInputConsumed(0)); // the reader has traced its start
        text.clear();
        std::vector<char> buf(16, 'x');
        std::copy(c.text.begin(), c.text.end(), buf.begin());
        buf[c.text.size()] = 0;
        EXPECT_EQ(b.Send_USB_Packet(buf.data(), 16), 0);
        EXPECT_EQ(h.writes(0), c.reports);
        EXPECT_EQ(r.slept(), 100ms * c.reports.size());
        std::string expected = "\nUSB: Send_USB_Packet: WriteFile [" + std::to_string(c.reports.size()) + "] ... Step:";
        for (std::size_t i = 0; i < c.reports.size(); ++i)
            expected += std::to_string(i) + " Writed:" + std::to_string(c.reports[i].size()) + " ";
        EXPECT_EQ(text.text(), expected + " OK ");
    }
}

TEST_F(BridgeTest, PaddingStaysWithinCallersBuffer) {
    struct Case {
        std::string text;
        int size;
        std::size_t steps; // 0 and refused: nothing written
        bool refused;
    };
    const Case cases[] = {
        {"ABCDE", 9, 2, false}, {"ABCDE", 8, 0, true}, {"ABCD", 5, 1, false},
        {"ABCD", 4, 0, true},   {"", 1, 0, false},     {"A", 0, 0, true},
    };
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    std::size_t before = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + "/" + std::to_string(c.size));
        clearTrace();
        const std::string after = send(c.text, c.size);
        EXPECT_EQ(hid.writes(0).size() - before, c.steps);
        before = hid.writes(0).size();
        const std::size_t padded = (c.text.size() + 3) / 4 * 4;
        if (c.refused) {
            EXPECT_EQ(trace().find("WriteFile"), std::string::npos);
            EXPECT_EQ(after.substr(0, std::min(after.size(), c.text.size())), c.text.substr(0, after.size()));
        } else {
            EXPECT_EQ(after, c.text + std::string(padded + 1 - c.text.size(), '\0') +
                                 std::string(static_cast<std::size_t>(c.size) - padded - 1, 'x'));
        }
    }
    // A buffer without a terminator inside its size is not read past.
    char unterminated[4] = {'A', 'B', 'C', 'D'};
    bridge.Send_USB_Packet(unterminated, 4);
    EXPECT_EQ(hid.writes(0).size(), before);
}

TEST_F(BridgeTest, AttachmentCheckedOnlyWhenAnswerOverdue) {
    struct Case {
        int request;
        bool unplug;
        bool checked;
        const char* verdict;  // "": no attachment verdict at all
        int openedAfter;
        std::size_t written;
    };
    const Case cases[] = {
        {0, false, false, "", 1, 1},
        {0, true, false, "", 1, 0}, // gone unnoticed: the write just fails
        {1, false, true, " is still attached? yes! ", 1, 1},
        {1, true, true, " is still attached? no! \nUSB: Send_USB_Packet: try reopen USB connection ", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << c.unplug);
        FakeHidBackend h;
        h.addDevice(kPlain);
        TraceLog text;
        Bridge b(h, runtime, text.writer());
        ASSERT_EQ(b.USB_COM_Init(1, 0, ""), 0);
        ASSERT_TRUE(h.waitInputConsumed(0));
        if (c.unplug) h.unplug(0);
        b.SetUSBRequest(c.request);
        text.clear();
        char buf[8] = "GI";
        b.Send_USB_Packet(buf, 8);
        EXPECT_EQ(text.text().find("\nUSB: Send_USB_Packet: USB_Opened & is_usb_request") == 0, c.checked);
        if (*c.verdict == '\0')
            EXPECT_EQ(text.text().find("still attached"), std::string::npos) << text.text();
        else
            EXPECT_NE(text.text().find(c.verdict), std::string::npos) << text.text();
        EXPECT_EQ(b.GetUSBOpened(), c.openedAfter);
        EXPECT_EQ(h.writes(0).size(), c.written);
    }
}

TEST_F(BridgeTest, UnpluggedAdapterIsReopenedWhenBack) {
    hid.addDevice(kBridge);
    ASSERT_EQ(init(), 0);
    hid.unplug(0);
    bridge.SetUSBRequest(1);
    send("GI");
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
    EXPECT_FALSE(bridge.readerRunning());
    // The request flag was cleared: the next send goes straight to the reopen.
    clearTrace();
    send("GI");
    EXPECT_EQ(trace().find("\nUSB: Send_USB_Packet: USB_Opened & is_usb_request"), std::string::npos);
    EXPECT_EQ(trace().find("\nUSB: Send_USB_Packet: try reopen USB connection "), 0u);
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
    EXPECT_TRUE(hid.writes(0).empty());

    hid.replug(0);
    send("GI");
    EXPECT_EQ(bridge.GetUSBOpened(), 1);
    EXPECT_EQ(hid.writes(0).size(), 1u);
    EXPECT_EQ(hid.featureCalls(0).size(), 6u); // serial parameters sent again
    hid.pushInput(0, bytes({0, 2, 'O', 'K', 0, 0, 0, 0, 0}));
    EXPECT_EQ(received(), "OK");
}

TEST_F(BridgeTest, SixFailedStepsForceReinitialisation) {
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    const int opens = hid.opensTotal();
    using K = WriteResult::Kind;
    hid.scriptWrites(0, {K::WaitTimedOut, K::WaitTimedOut, K::WaitFailed, K::WaitTimedOut, K::WaitTimedOut, K::ResultFailed,
                         K::WaitTimedOut, K::StartFailed, K::WaitTimedOut, K::WaitTimedOut, K::WaitTimedOut,
                         K::WaitTimedOut});
    clearTrace();
    send("123456789012345678901234"); // six steps: the sixth resets the count
    EXPECT_EQ(bridge.writeErrorCount(), 0);
    EXPECT_EQ(countOf(trace(), "\nUSB Write Wait result: [258]"), 4u);
    EXPECT_EQ(countOf(trace(), "\nUSB Write Wait result: [4294967295]"), 1u);
    send("123456789012345678901234");
    EXPECT_EQ(bridge.writeErrorCount(), 6);
    // A write that could not start says why, not a wait result it never had.
    EXPECT_EQ(countOf(trace(), "\nUSB Error WriteFile: 1167"), 1u);
    EXPECT_EQ(countOf(trace(), "\nUSB Write Wait result: [4294967295]"), 1u);
    EXPECT_EQ(hid.opensTotal(), opens);
    EXPECT_EQ(bridge.GetUSBOpened(), 1);

    clearTrace();
    send("GI");
    EXPECT_EQ(trace().find("\nUSB: Send_USB_Packet: try reopen USB connection \nUSB initialize - DLL... "), 0u);
    EXPECT_EQ(hid.opensTotal(), opens + 2);
    EXPECT_EQ(bridge.writeErrorCount(), 0);
    EXPECT_EQ(hid.writes(0).size(), 1u);
    EXPECT_EQ(hid.openHandles(), 2);
}

// The driver keeps only a few input reports: after a read that failed once it had
// started, the next one follows at once instead of after a read's whole bound.
TEST_F(BridgeTest, ReadThatFailedAfterItStartedIsFollowedAtOnce) {
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    ASSERT_TRUE(hid.waitInputConsumed(0));
    hid.failNextRead(0);
    const auto start = std::chrono::steady_clock::now();
    hid.pushReadTimeout(0);
    hid.pushInput(0, bytes({0, 'A', 'B', 'C', 'D'}));
    EXPECT_EQ(received(), "ABCD");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);  // short of a read's 3 s bound
}

TEST_F(BridgeTest, NoAdapterEverySendRetriesAndWritesNothing) {
    EXPECT_EQ(init(), 98);
    for (int i = 0; i < 3; ++i) {
        clearTrace();
        send("GN");
        EXPECT_EQ(trace().find("\nUSB: Send_USB_Packet: try reopen USB connection "), 0u);
        EXPECT_EQ(trace().find("WriteFile"), std::string::npos);
    }
    EXPECT_EQ(runtime.slept(), 0ms);
}

} // namespace
} // namespace ubrix::test
