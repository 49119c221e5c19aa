// Initialisation outcomes, close, trace switches.
#include "BridgeFixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace ubrix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct InitCase {
    const char* name;
    std::function<void(FakeHidBackend&, FakeRuntime&)> setup;
    int code;
    int opened;
    bool reader;
};

TEST_F(BridgeTest, InitOutcomes) {
    const InitCase cases[] = {
        {"no HID device", [](auto&, auto&) {}, 98, 0, false},
        {"device set unavailable", [](auto& h, auto&) { h.addDevice(kPlain); h.failDeviceSet(); }, 98, 0, false},
        {"enumeration error", [](auto& h, auto&) { h.addDevice(kPlain); h.enumerationErrorAt(1, 31); h.addDevice(kPlain); }, 98, 0, false},
        {"wrong product id", [](auto& h, auto&) { h.addDevice({0x04B4, 0x5501}); }, 98, 0, false},
        {"plain adapter", [](auto& h, auto&) { h.addDevice(kMouse); h.addDevice(kPlain); }, 0, 1, true},
        {"serial-bridge adapter", [](auto& h, auto&) { h.addDevice(kBridge); }, 0, 1, true},
        {"stop event fails", [](auto& h, auto& r) { h.addDevice(kPlain); r.failEvent = true; }, 5, 1, false},
        {"thread fails", [](auto& h, auto& r) { h.addDevice(kPlain); r.failThread = true; }, 4, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidBackend h;
        FakeRuntime r;
        c.setup(h, r);
        Bridge b(h, r, [](std::string_view) {});
        EXPECT_EQ(b.USB_COM_Init(0, 0, ""), c.code);
        EXPECT_EQ(b.GetUSBOpened(), c.opened);
        EXPECT_EQ(b.readerRunning(), c.reader);
        EXPECT_EQ(b.USB_COM_Close(0), 0);
        EXPECT_EQ(b.GetUSBOpened(), 0);
        EXPECT_EQ(h.openHandles(), 0);
        EXPECT_EQ(h.badCloses(), 0);
    }
}

TEST_F(BridgeTest, SecondInitReplacesReaderAndList) {
    hid.addDevice(kMouse);
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    ASSERT_TRUE(hid.waitInputConsumed(1));
    ASSERT_EQ(init(), 0);
    EXPECT_EQ(hid.openHandles(), 4); // two interfaces, two handles each: one list
    EXPECT_EQ(hid.opensTotal(), 8);
    hid.pushInput(1, bytes({0, 'O', 'K', 0, 0}));
    EXPECT_EQ(received(1), "OK");
    EXPECT_EQ(countOf(trace(), "\nUSB: CommProc started "), 2u);
    EXPECT_EQ(hid.maxConcurrentReaders(), 1);
    EXPECT_GE(hid.cancelledReads(), 1); // the first reader was woken, not left to time out
    EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    EXPECT_EQ(hid.openHandles(), 0);
    EXPECT_EQ(hid.badCloses(), 0);
    EXPECT_FALSE(bridge.active());
}

TEST_F(BridgeTest, CloseTwiceOrWithoutInitReleasesNothingTwice) {
    EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    hid.addDevice(kBridge);
    ASSERT_EQ(init(), 0);
    EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    EXPECT_EQ(hid.openHandles(), 0);
    EXPECT_EQ(hid.badCloses(), 0);
    EXPECT_FALSE(bridge.readerRunning());
    EXPECT_EQ(bridge.devices().records.size(), 0u);
}

TEST_F(BridgeTest, CloseWakesReaderOutOfItsWait) {
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    ASSERT_TRUE(hid.waitInputConsumed(0)); // the reader sits in its read
    EXPECT_EQ(bridge.USB_COM_Close(0), 0);
    EXPECT_EQ(hid.cancelledReads(), 1);
    EXPECT_FALSE(bridge.readerRunning());
}

// A reader ended by an exception leaves the link closed, not open with no reader: the
// next send connects again and a reader runs.
TEST_F(BridgeTest, ReaderEndedByAnExceptionIsStartedAgainByTheNextSend) {
    hid.addDevice(kPlain);
    ASSERT_EQ(init(), 0);
    ASSERT_TRUE(hid.waitInputConsumed(0));
    hid.throwOnNextRead(0);
    hid.pushReadTimeout(0);
    for (int i = 0; i < 400 && bridge.GetUSBOpened() != 0; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
    send("GI");
    EXPECT_EQ(bridge.GetUSBOpened(), 1);
    hid.pushInput(0, bytes({0, 'O', 'K', 0, 0}));
    EXPECT_EQ(received(), "OK");
}

TEST_F(BridgeTest, CallsBeforeInitAreHarmless) {
    std::vector<char> buf(PendingBuffer::kLimit);
    EXPECT_EQ(bridge.Get_USB_Packet(buf.data()), 0);
    EXPECT_EQ(bridge.SetUSBRequest(5), 5);
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
    send("AB");
    // The send initialised with both switches on and no file: console trace only.
    EXPECT_NE(trace().find("\nUSB: Send_USB_Packet: try reopen USB connection \nUSB initialize - DLL... "
                           "\nUSB debug parameters - D:1,DL:1,F: "),
              std::string::npos);
    EXPECT_EQ(bridge.GetUSBOpened(), 0);
}

TEST_F(BridgeTest, InitTraceWithoutDevices) {
    init();
    EXPECT_EQ(trace(), "\nUSB initialize - DLL... \nUSB debug parameters - D:1,DL:0,F: \n USB adapter searching ... \n"
                       "\n Internal FindKnownDevice = 0\nError on EnumInterface: error 259\nUSB HID devices:");
}

// Read byte for byte: the library writes CR LF itself, on every system.
std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The trace file is a text file: every line feed reaches it as CR LF.
std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class TraceFileTest : public BridgeTest {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ubrix-trace-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(TraceFileTest, SwitchesChooseConsoleAndFile) {
    struct Case {
        unsigned char d, dl;
        bool withPath, console, file;
    };
    const Case cases[] = {
        {1, 1, true, true, true},
        {0, 0, true, false, false},
        {1, 0, true, true, false},
        {0, 1, true, false, true},
        {0, 1, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "D=" << int{c.d} << " DL=" << int{c.dl} << " path=" << c.withPath);
        const fs::path file = dir / "debugusbkovrin.log";
        fs::remove(file);
        clearTrace();
        bridge.USB_COM_Init(c.d, c.dl, c.withPath ? file.string().c_str() : "");
        EXPECT_EQ(!trace().empty(), c.console);
        EXPECT_EQ(fs::exists(file), c.file);
        if (c.file) {
            EXPECT_NE(readFile(file).find("\r\n USB adapter searching ... \r\n"), std::string::npos);
        }
        if (c.console && c.file) {
            EXPECT_EQ(readFile(file), withCrLf(trace()));
        }
    }
}

TEST_F(TraceFileTest, FileIsAppendedAcrossInitialisations) {
    const fs::path file = dir / "t.log";
    bridge.USB_COM_Init(0, 1, file.string().c_str());
    const auto once = readFile(file);
    bridge.USB_COM_Init(0, 1, file.string().c_str());
    EXPECT_EQ(readFile(file), once + once);
}

TEST_F(TraceFileTest, LongPathIsCutTo300Characters) {
    // Components stay under the file-name limit; the cut lands inside the last one.
    fs::path folder = dir;
    while (folder.string().size() < 200) folder /= std::string(40, 'd');
    fs::create_directories(folder);
    const std::string full = (folder / std::string(150, 'f')).string();
    ASSERT_GT(full.size(), 300u);
    const std::string cut = full.substr(0, 300);
    bridge.USB_COM_Init(1, 1, full.c_str());
    EXPECT_TRUE(fs::exists(cut));
    EXPECT_FALSE(fs::exists(full));
    EXPECT_NE(trace().find("F:" + cut + " \n"), std::string::npos);
}

} // namespace
} // namespace ubrix::test
