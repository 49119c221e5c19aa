// ActionConnectExecute, ActionDisconnectExecute, the port commands, FormClose and Exit.
#include "WindowFixture.h"

namespace kovrin::test {
namespace {

using namespace std::chrono_literals;

const std::initializer_list<ActionId> kLinkActions{ActionId::Connect, ActionId::Download, ActionId::Upload};

TEST_F(WindowTest, ConnectThatCannotOpenLeavesNoLinkAndStaysDisconnected)
{
    struct Row {
        void (FormConfigLogic::*port)();
        std::string portName;
        std::string message;
    } rows[] = {
        {&FormConfigLogic::ActionComPort1Execute, "COM1", "Cannot open serial port"},
        {&FormConfigLogic::ActionComPort8Execute, "COM8", "Cannot open serial port"},
        {&FormConfigLogic::ActionUsbExecute, "USB", "Cannot open USB port"},
    };
    start();
    links.script.openSucceeds = false;
    for (const Row& row : rows) {
        (window.get()->*row.port)();
        view.events.clear();
        view.expectMessage(row.message);
        window->ActionConnectExecute();
        EXPECT_EQ(view.messages.back().title, "Tarvix configurator");
        EXPECT_EQ(view.messages.back().icon, MessageIcon::Error);
        EXPECT_EQ(links.calls.back().substr(0, 8), "destroy ");
        EXPECT_EQ(links.live, 0);
        EXPECT_FALSE(window->hasActivePort());
        EXPECT_FALSE(window->Connected());
        EXPECT_EQ(enabled(kLinkActions), "ActionConnect ");
        EXPECT_EQ(status().labelStatus, "Disconnect");
        // The message shows over the dialog, which closes after it.
        EXPECT_EQ(view.events.back(), "close");
        EXPECT_EQ(view.events[view.events.size() - 2], "message " + row.message);
        EXPECT_EQ(clock.totalSlept(), 0ms);
        EXPECT_EQ(links.calls[links.calls.size() - 2].substr(0, 5), "open ");
        EXPECT_NE(links.calls[links.calls.size() - 2].find(row.portName), std::string::npos);
    }
}

TEST_F(WindowTest, PortHintsNameTheDevicesAndAFailedOpenItsReason)
{
    start();
    PortScan scan;
    for (int n = 1; n <= kComPortCount; ++n)
        scan.ports[static_cast<std::size_t>(n - 1)].number = n;
    scan.ports[0] = {1, "/dev/ttyUSB0", "FT232R USB UART", "usb-A", true, true, false, true, {}};
    scan.ports[2] = {3, "", "", "usb-B", false, false, false, true, {}};
    scan.ports[3] = {4, "/tmp/ats", "KOVRIN_COM4", "", false, false, true, true, {}};
    scan.ports[4] = {5, "/dev/ttyUSB1", "", "usb-D", true, true, false, true, {"COM5 was kept for usb-Z"}};
    links.ports = scan;
    const auto hint = [&](ActionId id) { return window->state().action(id).hint; };
    window->ConnectionMenuPopup();
    const struct {
        ActionId port;
        const char* hint;
    } rows[] = {
        {ActionId::ComPort1, "COM1 \u2014 /dev/ttyUSB0, FT232R USB UART"},
        {ActionId::ComPort2, "COM2 \u2014 nothing there"},
        {ActionId::ComPort3, "COM3 \u2014 nothing there (number kept for usb-B)"},
        {ActionId::ComPort4, "COM4 \u2014 /tmp/ats, KOVRIN_COM4 (nothing there)"},
        {ActionId::ComPort5, "COM5 \u2014 /dev/ttyUSB1; COM5 was kept for usb-Z"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(hint(row.port), row.hint);

    // A cable plugged in with the menu closed is named at Connect, whose failure says why.
    links.ports->ports[1] = {2, "/dev/ttyACM0", "", "usb-C", true, false, false, true, {}};
    links.script.openSucceeds = false;
    links.script.openFailureText = "No permission to open /dev/ttyACM0: add your user to the group dialout";
    window->ActionComPort2Execute();
    view.expectMessage("Cannot open serial port\nNo permission to open /dev/ttyACM0: add your user to the group dialout");
    window->ActionConnectExecute();
    EXPECT_EQ(hint(ActionId::ComPort2), "COM2 \u2014 /dev/ttyACM0");
    EXPECT_TRUE(view.scriptDone());
}

TEST_F(WindowTest, ConnectAnimatesTenStepsThenShowsTheConnectedState)
{
    start();
    window->ActionConnectExecute();

    std::vector<std::string> expected{"create Please wait ...  connection in progress ...", "range 0 10", "pos 0",
                                      "bar off", "show", "repaint", "bar on"};
    for (int p = 1; p <= 10; ++p) {
        expected.push_back("pos " + std::to_string(p));
        expected.push_back("repaint");
    }
    expected.push_back("close");
    EXPECT_EQ(view.events, expected);
    EXPECT_EQ(clock.totalSlept(), 1100ms);
    EXPECT_EQ(links.debugLog, std::vector<std::string>{"Local port: COM1\n"});
    EXPECT_EQ((std::vector<std::string>{"create 1", "open 1 COM1"}), links.calls);

    EXPECT_TRUE(window->Connected());
    EXPECT_EQ(status().labelStatus, "Connect");
    EXPECT_TRUE(status().imageGreen);
    EXPECT_FALSE(status().imageRed);
    EXPECT_EQ(enabled(kLinkActions), "ActionDownload ");  // nothing loaded: no Upload
}

TEST_F(WindowTest, UploadIsEnabledOnceConnectedAndSomethingIsLoaded)
{
    start();
    connect();
    EXPECT_EQ(enabled({ActionId::Upload}), "");
    window->ActionNewExecute();
    EXPECT_EQ(enabled({ActionId::Upload}), "ActionUpload ");

    window->ActionDisconnectExecute();
    EXPECT_EQ(enabled({ActionId::Upload}), "");
    window->ActionConnectExecute();
    EXPECT_EQ(enabled({ActionId::Upload}), "ActionUpload ");
}

TEST_F(WindowTest, PortChangeTakesEffectAtTheNextConnect)
{
    start();
    connect();
    window->ActionComPort3Execute();
    EXPECT_EQ(window->PortName(), "COM3");
    for (const PortCommand& p : kPortCommands)
        EXPECT_EQ(window->state().action(p.action).checked, p.action == ActionId::ComPort3) << p.portName;
    EXPECT_EQ(status().labelStatus, "Connect");
    EXPECT_EQ(links.calls.back(), "open 1 COM1");

    window->ActionDisconnectExecute();
    window->ActionConnectExecute();
    EXPECT_EQ((std::vector<std::string>{"create 1", "open 1 COM1", "close 1", "create 2", "destroy 1", "open 2 COM3"}),
              links.calls);
    EXPECT_EQ(links.debugLog.back(), "Local port: COM3\n");
    EXPECT_EQ(links.live, 1);
}

TEST_F(WindowTest, NetworkPortIsSelectedOnlyForAUsableNameAndAMenuPortTakesOver)
{
    start();
    const auto checked = [&](ActionId id) { return window->state().action(id).checked; };
    // Cancel, a malformed name, then a good one with blanks around it.
    view.networkPortReplies = {std::nullopt, "rfc2217://switch-room"};
    view.expectMessage("Not a network port\nexpected HOST:PORT in rfc2217://switch-room (an IPv6 address goes in "
                       "brackets)");
    window->RunAction(ActionId::NetworkPort);
    window->RunAction(ActionId::NetworkPort);
    EXPECT_EQ(window->PortName(), "COM1");
    EXPECT_TRUE(checked(ActionId::ComPort1));
    EXPECT_FALSE(checked(ActionId::NetworkPort));

    view.networkPortReplies = {" socket://10.0.4.21:4002\t"};
    window->RunAction(ActionId::NetworkPort);
    EXPECT_EQ(window->PortName(), "socket://10.0.4.21:4002");
    EXPECT_TRUE(checked(ActionId::NetworkPort));
    EXPECT_FALSE(checked(ActionId::ComPort1));
    window->ActionConnectExecute();
    EXPECT_NE(links.calls.back().find("socket://10.0.4.21:4002"), std::string::npos) << links.calls.back();
    window->ActionDisconnectExecute();

    // The dialog opens on the port in use; a COM port from the menu clears the mark.
    window->RunAction(ActionId::NetworkPort);
    EXPECT_EQ(view.networkPortTexts.initial, "socket://10.0.4.21:4002");
    EXPECT_EQ(view.networkPortTexts.recent, std::vector<std::string>{"socket://10.0.4.21:4002"});
    window->ActionComPort2Execute();
    EXPECT_FALSE(checked(ActionId::NetworkPort));
    EXPECT_EQ(window->PortName(), "COM2");
}

TEST_F(WindowTest, DisconnectWhileDisconnectedOnlyResetsTheDisplay)
{
    start();
    window->ActionDisconnectExecute();
    EXPECT_TRUE(links.calls.empty());
    EXPECT_EQ(status().labelStatus, "Disconnect");

    connect();
    window->ActionDisconnectExecute();
    window->ActionDisconnectExecute();  // closing a closed link does nothing harmful
    EXPECT_EQ((std::vector<std::string>{"create 1", "open 1 COM1", "close 1", "close 1"}), links.calls);
    EXPECT_EQ(enabled(kLinkActions), "ActionConnect ");
}

TEST_F(WindowTest, ClosingTheWindowWhileConnectedClosesTheLinkWithoutAsking)
{
    start();
    window->ActionNewExecute();
    connect();
    window->FormClose();
    EXPECT_EQ(links.calls.back(), "close 1");
    EXPECT_FALSE(window->Connected());
}

TEST_F(WindowTest, ExitDisposesOfTheLinkThenClosesTheWindow)
{
    start();
    window->ActionNewExecute();
    connect();
    window->ActionExitExecute();
    EXPECT_EQ((std::vector<std::string>{"create 1", "open 1 COM1", "close 1", "destroy 1"}), links.calls);
    EXPECT_EQ(view.closeRequests, 1);
    window->FormClose();  // what the form runs next: no link left to touch
    EXPECT_EQ(links.calls.size(), 4u);
    EXPECT_FALSE(window->Connected());
}

TEST_F(WindowTest, ConnectGoesOnWithoutAProgressDialogThatCannotBeMade)
{
    start();
    view.failProgress = true;
    window->ActionConnectExecute();
    EXPECT_EQ(view.exceptions, std::vector<std::string>{"no progress dialog"});
    EXPECT_TRUE(window->Connected());
    EXPECT_EQ(clock.totalSlept(), 1100ms);
}

TEST_F(WindowTest, DisabledActionsDoNotRunThroughRunAction)
{
    start();
    window->RunAction(ActionId::Download);
    window->RunAction(ActionId::Upload);
    window->RunAction(ActionId::Statistics);
    EXPECT_TRUE(links.calls.empty());
    window->RunAction(ActionId::Connect);
    window->RunAction(ActionId::Connect);  // disabled once connected
    EXPECT_EQ(links.live, 1);
    EXPECT_EQ(links.calls.size(), 2u);
}

} // namespace
} // namespace kovrin::test
