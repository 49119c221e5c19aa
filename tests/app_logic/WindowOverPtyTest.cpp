// The window's commands over the real link (CommPort on a pseudo-terminal) with a
// scripted switch on the master side.
#include "FakeView.h"

#include "app/logic/CommLinkService.h"
#include "app/logic/FormConfigLogic.h"
#include "comm/Frame.h"
#include "platform/Pty.h"
#include "tests/support/FixedPortFinder.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace kovrin::test {
namespace {

using namespace std::chrono_literals;

const std::uint16_t kWords[16] = {186, 196, 251, 241, 187, 197, 252, 242, 47, 53, 46, 54, 11, 4, 95, 9};

class WindowOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        WindowEnvironment env;
        env.links = &service;
        env.clock = &clock;
        env.openDocument = [](const std::string&, const std::string&) { return 42u; };
        window = std::make_unique<FormConfigLogic>(view, env);
        window->FormShow();
    }
    void TearDown() override
    {
        if (peer.joinable())
            peer.join();
        window.reset();
    }

    // The switch: answers each request as `answer` says; an empty frame hangs up.
    void runSwitch(std::size_t requests, std::function<Frame(const ParsedRequest&)> answer)
    {
        peer = std::thread([this, requests, answer] {
            for (std::size_t n = 0; n < requests; ++n) {
                const std::size_t size = n < 2 && !uploading ? 12 : (uploading ? 20 : 16);
                const std::vector<std::uint8_t> req = pty.readMaster(size, 2000ms);
                const ParsedRequest parsed = ParseRequest(req.data(), req.size());
                seen.push_back(parsed);
                const Frame reply = answer(parsed);
                if (reply.empty()) {
                    pty.closeMaster();
                    return;
                }
                pty.writeMaster(reply);
            }
        });
    }

    static Frame SwitchAnswer(const ParsedRequest& r)
    {
        if (r.command == "GI")
            return BuildAnswerGI({"ATS-CODE-0000042", "MODEL-X", "FW 3.01", '4', '6', '0', '1'});
        if (r.command == "GN")
            return BuildAnswerGN({63, 400, 500});
        if (r.command == "GM")
            return BuildAnswerGM(kWords[r.index]);
        return BuildAnswerSM();
    }

    PtyPair pty;
    FakeClock clock;
    CommLinkService service{clock,
                            [this](const std::string&, unsigned baud, unsigned& error) {
                                return OpenSerialPort(pty.slavePath(), baud, error);
                            },
                            {}, std::make_shared<FixedPortFinder>(std::map<int, std::string>{{1, "pty"}})};
    FakeView view;
    std::unique_ptr<FormConfigLogic> window;
    std::thread peer;
    bool uploading = false;
    std::vector<ParsedRequest> seen;
};

TEST_F(WindowOverPty, DownloadThenUploadRoundTrip)
{
    window->ActionConnectExecute();
    ASSERT_TRUE(window->Connected());

    runSwitch(18, SwitchAnswer);
    window->ActionDownloadExecute();
    peer.join();
    ASSERT_TRUE(view.messages.empty()) << view.messages.front().text;
    EXPECT_EQ(window->dataSource(), DataSource::Switch);
    EXPECT_EQ(window->record().text(field::AtsCode), "ATS-CODE-0000042");
    EXPECT_EQ(window->record().number(field::NominalFrequency), 50);
    int sum = 0;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(window->record().word(i), kWords[i]) << i;
        sum += (kWords[i] >> 8) + (kWords[i] & 0xFF);
    }
    EXPECT_EQ(window->record().word(256), sum & 0xFFFF);

    seen.clear();
    uploading = true;
    runSwitch(16, SwitchAnswer);
    view.expectQuestion("Are you sure to upload values to ATS?", true);
    window->ActionUploadExecute();
    peer.join();
    ASSERT_EQ(seen.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(seen[i].command, "SM");
        EXPECT_EQ(seen[i].index, i);
        EXPECT_EQ(seen[i].value, kWords[i]);
    }
    EXPECT_EQ(clock.totalSlept(), 1100ms + 16 * 750ms);
    EXPECT_TRUE(window->Connected());
}

TEST_F(WindowOverPty, BadAnswerEndsTheDownloadDisconnected)
{
    struct Row {
        const char* what;
        std::size_t requests;  // up to the failing one
        std::function<Frame(const ParsedRequest&)> answer;
    } rows[] = {
        {"corrupt check value", 7, [](const ParsedRequest& r) {
             Frame f = SwitchAnswer(r);
             if (r.command == "GM" && r.index == 4)
                 f[f.size() - 2] ^= 1;
             return f;
         }},
        {"short answer to GM", 12, [](const ParsedRequest& r) {
             return r.command == "GM" && r.index == 9 ? BuildShortAnswer("GM") : SwitchAnswer(r);
         }},
        {"switch hangs up", 2, [](const ParsedRequest& r) { return r.command == "GN" ? Frame{} : SwitchAnswer(r); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        window->ActionConnectExecute();
        ASSERT_TRUE(window->Connected());
        const ConfigRecord before = window->record();
        runSwitch(row.requests, row.answer);
        view.expectMessage("Error in ReadBuffer serial port");
        window->ActionDownloadExecute();
        if (peer.joinable())
            peer.join();
        EXPECT_EQ(window->record(), before);
        EXPECT_FALSE(window->Connected());
        EXPECT_FALSE(window->hasActivePort());
        EXPECT_EQ(window->state().status.labelStatus, "Disconnect");
        if (std::string(row.what) == "switch hangs up")
            break;  // the master is gone
    }
}

TEST_F(WindowOverPty, ConnectToAMissingDeviceFails)
{
    CommLinkService missing{clock,
                            [](const std::string& device, unsigned baud, unsigned& error) {
                                return OpenSerialPort(device, baud, error);
                            },
                            [] { return false; },
                            std::make_shared<FixedPortFinder>(std::map<int, std::string>{{1, "/dev/kovrin-no-such-tty"}})};
    WindowEnvironment env;
    env.links = &missing;
    env.clock = &clock;
    FormConfigLogic w(view, env);
    w.FormShow();
    view.expectMessage("Cannot open serial port\nNo such device /dev/kovrin-no-such-tty: is the cable plugged in?");
    w.ActionConnectExecute();
    w.ActionComPort2Execute();  // nothing stands behind COM2
    view.expectMessage("Cannot open serial port\nNo serial device is connected as COM2: is the cable plugged in?");
    w.ActionConnectExecute();
    w.ActionUsbExecute();
    view.expectMessage("Cannot open USB port");
    w.ActionConnectExecute();
    EXPECT_FALSE(w.Connected());
    EXPECT_FALSE(w.hasActivePort());
}

} // namespace
} // namespace kovrin::test
