// Every link fault against Connect, Download and Upload, end to end: the window logic
// (scripted view) over the real serial link or the USB client with the simulated-adapter
// library, and ats-sim with the fault switched on. Each case checks the one message the
// user sees, the window's final state, that the record and the open file are untouched,
// that no descriptor or thread is left behind, and how long the error took.
#include "tests/app_logic/FakeView.h"
#include "tests/faults/ProcessResources.h"

#include "app/logic/CommLinkService.h"
#include "app/logic/FormConfigLogic.h"
#include "comm/ChangedUpload.h"
#include "config/ConfigFile.h"
#include "platform/Clock.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace kovrin::test {
namespace {

namespace fs = std::filesystem;
using Ms = std::chrono::milliseconds;

enum class Command { Connect, Download, Upload };
enum class Port { Serial, Usb, UsbPlain };  // USB: the serial-bridge adapter, or the plain one

struct FaultCase {
    const char* name;
    Command command;
    Port port;
    std::vector<std::string> fault;  // ats-sim switches
    bool vanish;                     // the device goes away: before Connect, or after it
    const char* message;             // the one error box; "" = the command succeeds
    int minMs;                       // time from the command's start to its end
    int maxMs;
};

// Keeps the case's name, not its bytes, in test listings.
void PrintTo(const FaultCase& c, std::ostream* out)
{
    *out << c.name;
}

constexpr const char* kRead = "Error in ReadBuffer serial port";
constexpr const char* kFree = "Error in FreeBuffer serial port";
constexpr const char* kNoSerial = "Cannot open serial port\nNo such device LINE: is the cable plugged in?";

// Serial reads wait 3000 ms; USB reads 3000 ms after the paced send (100 ms per four
// bytes). Every bound has kSlack on top of what the link itself needs: a loaded or
// sanitized machine may lag that much, while a needless extra read timeout still shows.
constexpr int kTimeout = 2900;
constexpr int kSlack = 2500;
constexpr int kSerialTimeoutBound = 3000 + kSlack;
constexpr int kQuick = kSlack;

const FaultCase kCases[] = {
    // Connect opens the port and exchanges nothing: only a missing device shows.
    {"ConnectSerialMute", Command::Connect, Port::Serial, {"--mute"}, false, "", 0, kQuick},
    {"ConnectSerialStopsAfter5", Command::Connect, Port::Serial, {"--mute-after", "5"}, false, "", 0, kQuick},
    {"ConnectSerialBadCheck", Command::Connect, Port::Serial, {"--bad-check", "all"}, false, "", 0, kQuick},
    {"ConnectSerialShortAnswer", Command::Connect, Port::Serial, {"--short-answer", "all"}, false, "", 0, kQuick},
    {"ConnectSerialHalfAnswer", Command::Connect, Port::Serial, {"--half-answer", "all"}, false, "", 0, kQuick},
    {"ConnectSerialJunk", Command::Connect, Port::Serial, {"--junk", "5"}, false, "", 0, kQuick},
    {"ConnectSerialHangUp", Command::Connect, Port::Serial, {"--hang-up-after", "0"}, false, "", 0, kQuick},
    {"ConnectSerialVanished", Command::Connect, Port::Serial, {}, true, kNoSerial, 0, kQuick},
    {"ConnectUsbMute", Command::Connect, Port::Usb, {"--mute"}, false, "", 0, kQuick},
    // The library loads but finds no adapter: no message, the first transfer fails.
    {"ConnectUsbVanished", Command::Connect, Port::Usb, {}, true, "", 0, kQuick},

    {"DownloadSerialNoAnswer", Command::Download, Port::Serial, {"--mute"}, false, kRead, kTimeout, kSerialTimeoutBound},
    {"DownloadSerialStopsAfter5", Command::Download, Port::Serial, {"--mute-after", "5"}, false, kRead, kTimeout, kSerialTimeoutBound},
    {"DownloadSerialBadCheck", Command::Download, Port::Serial, {"--bad-check", "GM"}, false, kRead, 0, kQuick},
    {"DownloadSerialShortAnswer", Command::Download, Port::Serial, {"--short-answer", "GN"}, false, kRead, 0, kQuick},
    {"DownloadSerialHalfAnswer", Command::Download, Port::Serial, {"--half-answer", "GM"}, false, kRead, 0, kSerialTimeoutBound},
    {"DownloadSerialJunk", Command::Download, Port::Serial, {"--junk", "5"}, false, kRead, 0, kSerialTimeoutBound},
    {"DownloadSerialHangUp", Command::Download, Port::Serial, {"--hang-up-after", "4"}, false, kRead, 0, kQuick},
    {"DownloadSerialVanished", Command::Download, Port::Serial, {}, true, kFree, 0, kQuick},

    {"UploadSerialNoAnswer", Command::Upload, Port::Serial, {"--mute"}, false, kRead, kTimeout, kSerialTimeoutBound},
    {"UploadSerialStopsAfter5", Command::Upload, Port::Serial, {"--mute-after", "5"}, false, kRead, kTimeout, kSerialTimeoutBound},
    {"UploadSerialBadCheck", Command::Upload, Port::Serial, {"--bad-check", "SM"}, false, kRead, 0, kQuick},
    // The acknowledgement is a 12-byte answer anyway.
    {"UploadSerialShortAnswer", Command::Upload, Port::Serial, {"--short-answer", "SM"}, false, "", 0, kQuick},
    {"UploadSerialHalfAnswer", Command::Upload, Port::Serial, {"--half-answer", "SM"}, false, kRead, 0, kSerialTimeoutBound},
    {"UploadSerialJunk", Command::Upload, Port::Serial, {"--junk", "5"}, false, kRead, 0, kSerialTimeoutBound},
    {"UploadSerialHangUp", Command::Upload, Port::Serial, {"--hang-up-after", "3"}, false, kRead, 0, kQuick},
    {"UploadSerialVanished", Command::Upload, Port::Serial, {}, true, kFree, 0, kQuick},

    // Over USB every request costs its paced send (GI 300 ms, GM 400 ms, SM 500 ms).
    {"DownloadUsbNoAnswer", Command::Download, Port::Usb, {"--mute"}, false, kRead, kTimeout, 300 + 3000 + kSlack},
    {"DownloadUsbBadCheck", Command::Download, Port::Usb, {"--bad-check", "GN"}, false, kRead, 0, 1500 + kSlack},
    {"DownloadUsbShortAnswer", Command::Download, Port::Usb, {"--short-answer", "GI"}, false, kRead, 0, 1000 + kSlack},
    {"DownloadUsbHalfAnswer", Command::Download, Port::Usb, {"--half-answer", "GI"}, false, kRead, kTimeout, 300 + 3000 + kSlack},
    // The noise holds zero bytes, and a zero ends an input report's data: the answer's
    // start may go with it (the read runs out of time), or the noise before it is handed
    // on with the answer (wrong size).
    {"DownloadUsbJunk", Command::Download, Port::Usb, {"--junk", "5"}, false, kRead, 0, 300 + 3000 + kSlack},
    {"DownloadUsbHangUp", Command::Download, Port::Usb, {"--hang-up-after", "2"}, false, kRead, 0, 1500 + 3000 + kSlack},
    {"DownloadUsbVanished", Command::Download, Port::Usb, {}, true, kRead, kTimeout, 300 + 3000 + kSlack},
    {"UploadUsbNoAnswer", Command::Upload, Port::Usb, {"--mute"}, false, kRead, kTimeout, 500 + 3000 + kSlack},
    {"UploadUsbJunk", Command::Upload, Port::Usb, {"--junk", "5"}, false, kRead, 0, 500 + 3000 + kSlack},
    {"UploadUsbVanished", Command::Upload, Port::Usb, {}, true, kRead, kTimeout, 500 + 3000 + kSlack},
    {"DownloadUsbPlainShortAnswer", Command::Download, Port::UsbPlain, {"--short-answer", "GI"}, false, kRead, 0, 1000 + kSlack},
    {"UploadUsbPlainBadCheck", Command::Upload, Port::UsbPlain, {"--bad-check", "SM"}, false, kRead, 0, 1000 + kSlack},
    {"UploadUsbBadCheck", Command::Upload, Port::Usb, {"--bad-check", "SM"}, false, kRead, 0, 1000 + kSlack},
};

// A loadable configuration the editor accepts for upload.
ConfigRecord OpenRecord()
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    r.setText(field::AtsCode, "ATS-FAULTS-00001");
    r.setText(field::AtsModel, "MODEL-F");
    r.setText(field::FirmwareVersion, "FW 1.00");
    return r;
}

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override
    {
        const FaultCase& c = GetParam();
        folder = fs::temp_directory_path() / ("kovrin-faults-" + std::to_string(::getpid()) + "-" + c.name);
        fs::remove_all(folder);
        fs::create_directories(folder);
        openFile = folder / "open.kvnf";
        std::ofstream(openFile, std::ios::binary) << ConfigFileText(OpenRecord(), LocalDateTime{});
        fileBefore = FileBytes(openFile);

        // The program reaches the line through a link of this test's own: once the switch
        // has gone, its pty number may serve another test's switch, but the link is gone.
        line = (folder / "line").string();
        std::vector<std::string> options{"--fast", "--link", line};
        options.insert(options.end(), c.fault.begin(), c.fault.end());
        std::string error;
        std::optional<sim::SimProcess> started = sim::SimProcess::Start(options, error, (folder / "sim.log").string());
        ASSERT_TRUE(started) << error;
        sim.emplace(std::move(*started));
        if (c.port == Port::Serial) {
            ::setenv("KOVRIN_COM1", line.c_str(), 1);
        } else {
            const std::string library = sim::ProgramPath("sim/libubrix.so");
            ASSERT_TRUE(fs::exists(library)) << library;
            ::setenv("KOVRIN_UBRIX", library.c_str(), 1);
            ::setenv("UBRIX_SIM_TTY", line.c_str(), 1);
            ::setenv("UBRIX_SIM_KIND", c.port == Port::UsbPlain ? "plain" : "bridge", 1);
        }

        WindowEnvironment env;
        env.programFolder = (folder / "prog").string() + "/";
        env.commonDataFolder = (folder / "common").string();
        env.startupFile = openFile.string();
        env.links = &links;
        env.clock = &clock;
        env.openDocument = [](const std::string&, const std::string&) { return 42u; };
        window.emplace(view, env);
        window->FormShow();
        if (c.port != Port::Serial)
            window->ActionUsbExecute();
        ASSERT_EQ(window->dataSource(), DataSource::File);
        recordBefore = window->record();
    }

    void TearDown() override
    {
        window.reset();
        sim.reset();
        ::unsetenv("KOVRIN_COM1");
        ::unsetenv("KOVRIN_UBRIX");
        ::unsetenv("UBRIX_SIM_TTY");
        ::unsetenv("UBRIX_SIM_KIND");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    void vanish()
    {
        sim->stop();
        sim.reset();
        std::error_code ec;
        fs::remove(line, ec);
    }

    // The command under test, from its first step to its last.
    Ms timed(void (FormConfigLogic::*command)())
    {
        const auto start = std::chrono::steady_clock::now();
        (*window.*command)();
        return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
    }

    fs::path folder;
    fs::path openFile;
    std::string line;
    std::string fileBefore;
    std::optional<sim::SimProcess> sim;
    FakeClock clock;  // the connect animation and the upload pauses; the link waits in real time
    // KOVRIN_COM1 names the line; no serial device of the machine takes part.
    CommLinkService links{clock, SystemSerialOpener(), {}, MakePortFinder("/kovrin-no-system-root", "")};
    FakeView view;
    std::optional<FormConfigLogic> window;
    ConfigRecord recordBefore;
};

TEST_P(FaultMatrix, OneMessageDisconnectedNothingLeft)
{
    const FaultCase& c = GetParam();
    std::string expected = c.message;
    if (const std::size_t at = expected.find("LINE"); at != std::string::npos)
        expected.replace(at, 4, line);
    const ProcessResources before = TakeResourceSnapshot();

    Ms took{0};
    if (c.command == Command::Connect) {
        if (c.vanish)
            vanish();
        if (!expected.empty())
            view.expectMessage(expected);
        took = timed(&FormConfigLogic::ActionConnectExecute);
        EXPECT_EQ(window->Connected(), expected.empty());
        EXPECT_EQ(window->hasActivePort(), expected.empty());
        window->ActionDisconnectExecute();
    } else {
        window->ActionConnectExecute();
        ASSERT_TRUE(window->Connected());
        if (c.vanish)
            vanish();
        if (c.command == Command::Download) {
            view.expectQuestion("Do you want to save actual data?", false);
            if (!expected.empty())
                view.expectMessage(expected);
            took = timed(&FormConfigLogic::ActionDownloadExecute);
        } else {
            view.expectQuestion("Are you sure to upload values to ATS?", true);
            // The one message also says what the switch took: as many words as it answered
            // before falling silent or hanging up, none where the first acknowledgement fails.
            if (!expected.empty())
                view.expectMessage(expected + "\n\n" +
                                   UnfinishedFullUploadText(std::string(c.name) == "UploadSerialStopsAfter5" ? 5
                                                            : std::string(c.name) == "UploadSerialHangUp" ? 3 : 0,
                                                            "the values on screen"));
            took = timed(&FormConfigLogic::ActionUploadExecute);
        }
        if (expected.empty()) {
            EXPECT_TRUE(window->Connected());
            window->ActionDisconnectExecute();
        }
    }

    EXPECT_TRUE(view.scriptDone());
    int errorBoxes = 0;
    for (const auto& box : view.messages)
        errorBoxes += box.icon == MessageIcon::Error;
    EXPECT_EQ(errorBoxes, expected.empty() ? 0 : 1);
    for (const auto& box : view.messages)
        EXPECT_EQ(box.title, "Tarvix configurator") << box.text;

    // Disconnected, with nothing of the link left.
    EXPECT_FALSE(window->Connected());
    if (!expected.empty()) {
        EXPECT_FALSE(window->hasActivePort());
    }
    EXPECT_EQ(window->state().status.labelStatus, "Disconnect");
    EXPECT_TRUE(window->state().action(ActionId::Connect).enabled);
    EXPECT_FALSE(window->state().action(ActionId::Download).enabled);
    EXPECT_FALSE(window->state().action(ActionId::Upload).enabled);

    if (!expected.empty() || c.command != Command::Download) {
        EXPECT_EQ(window->record(), recordBefore);
        EXPECT_EQ(window->dataSource(), DataSource::File);
    }
    EXPECT_EQ(FileBytes(openFile), fileBefore);

    const ProcessResources after = TakeResourceSnapshot();
    EXPECT_EQ(NewDescriptors(before, after), "");
    EXPECT_EQ(after.threads, before.threads);

    EXPECT_GE(took.count(), c.minMs);
    EXPECT_LE(took.count(), c.maxMs);
    std::printf("%s: %s after %lld ms\n", c.name, expected.empty() ? "done" : expected.c_str(),
                static_cast<long long>(took.count()));
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kovrin::test
