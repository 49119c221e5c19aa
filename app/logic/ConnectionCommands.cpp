// The Connection menu: ActionConnectExecute, ActionDisconnectExecute and the nine
// port commands (ActionComPort1Execute .. ActionComPort8Execute, ActionUsbExecute) and
// ActionNetworkPortExecute.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/NetworkPortDialog.h"
#include "app/logic/PortHints.h"
#include "app/logic/WindowTexts.h"
#include "comm/net/NetworkUrl.h"
#include "platform/Clock.h"
#include "platform/NetworkPortMemory.h"

#include <cstdio>
#include <exception>

namespace kovrin {

namespace {
constexpr int kConnectSteps = 10;
constexpr Clock::Ms kConnectStep{100};
} // namespace

std::unique_ptr<ProgressView> FormConfigLogic::openProgress(const std::string& caption, int maximum,
                                                            bool barVisible)
{
    // A dialog that cannot be made is reported and the command goes on without it.
    try {
        std::unique_ptr<ProgressView> progress = view_.createProgress(caption, false);
        if (!progress)
            return nullptr;
        progress->setRange(0, maximum);
        progress->setPosition(0);
        if (!barVisible)
            progress->setBarVisible(false);
        progress->show();
        progress->repaint();
        return progress;
    } catch (const std::exception& e) {
        view_.showException(e.what());
    } catch (...) {
        view_.showException("");
    }
    return nullptr;
}

void FormConfigLogic::ActionConnectExecute()
{
    // A closed link object a previous Connect left behind goes now.
    activePort_ = env_.links->CreateLink();

    char line[64];
    std::snprintf(line, sizeof line, text::kLocalPortLog.data(), portName_.c_str());
    env_.links->DebugLog(line);

    std::unique_ptr<ProgressView> progress = openProgress(std::string(text::kConnecting), kConnectSteps, false);

    // A cable plugged in since the menu was last open is found here too.
    refreshPortHints();
    if (!activePort_->Open(portName_)) {
        std::string message(portName_ == text::kUsbPortName ? text::kCannotOpenUsb : text::kCannotOpenSerial);
        if (const std::string reason = activePort_->OpenFailureText(); !reason.empty())
            message += "\n" + reason;
        error(message);
        activePort_.reset();
        progress.reset();
        changed();
        return;
    }

    // The pause is part of the command: it shows the user that something happened.
    if (progress)
        progress->setBarVisible(true);
    for (int position = 1; position <= kConnectSteps; ++position) {
        clock_.sleepFor(kConnectStep);
        if (progress) {
            progress->setPosition(position);
            progress->repaint();
        }
    }
    clock_.sleepFor(kConnectStep);
    progress.reset();

    setConnectedDisplay();
    changed();
}

void FormConfigLogic::ActionDisconnectExecute()
{
    // The object stays until the next Connect replaces it; closing twice is harmless.
    if (activePort_)
        activePort_->Close();
    setDisconnectedDisplay();
    changed();
}

void FormConfigLogic::destroyActivePort()
{
    if (!activePort_)
        return;
    activePort_->Close();
    activePort_.reset();
}

void FormConfigLogic::selectPort(ActionId port)
{
    // Takes effect at the next Connect; an open link stays on its port.
    for (const PortCommand& command : kPortCommands) {
        const bool chosen = command.action == port;
        state_.action(command.action).checked = chosen;
        if (chosen)
            portName_ = command.portName;
    }
    state_.action(ActionId::NetworkPort).checked = false;
    changed();
}

void FormConfigLogic::ActionNetworkPortExecute()
{
    const std::string file = env_.networkPortFile ? *env_.networkPortFile : NetworkPortMemoryFile();
    NetworkPortDialogTexts texts;
    texts.recent = LoadRecentNetworkPorts(file);
    if (IsNetworkPortName(portName_))
        texts.initial = portName_;
    else if (!texts.recent.empty())
        texts.initial = texts.recent.front();
    const std::optional<std::string> entry = view_.runNetworkPortDialog(texts);
    if (!entry)
        return;
    const std::string name = TrimmedPortName(*entry);
    std::string why;
    if (!ParseNetworkUrl(name, why)) {
        error(std::string(text::kBadNetworkPort) + "\n" + why);
        return;
    }
    // Takes effect at the next Connect, as a COM port chosen from the menu does.
    for (const PortCommand& command : kPortCommands)
        state_.action(command.action).checked = false;
    state_.action(ActionId::NetworkPort).checked = true;
    portName_ = name;
    if (!SaveRecentNetworkPorts(file, WithRecentNetworkPort(texts.recent, name)))
        env_.links->DebugLog("Network port list not kept: " + file + "\n");
    changed();
}

void FormConfigLogic::refreshPortHints()
{
    const PortScan scan = env_.links->ScanPorts();
    for (const ComPort& port : scan.ports)
        if (port.number >= 1 && port.number <= kComPortCount)
            state_.action(kPortCommands[static_cast<std::size_t>(port.number - 1)].action).hint = PortHint(port);
}

void FormConfigLogic::ConnectionMenuPopup()
{
    refreshPortHints();
    changed();
}

void FormConfigLogic::ActionComPort1Execute() { selectPort(ActionId::ComPort1); }
void FormConfigLogic::ActionComPort2Execute() { selectPort(ActionId::ComPort2); }
void FormConfigLogic::ActionComPort3Execute() { selectPort(ActionId::ComPort3); }
void FormConfigLogic::ActionComPort4Execute() { selectPort(ActionId::ComPort4); }
void FormConfigLogic::ActionComPort5Execute() { selectPort(ActionId::ComPort5); }
void FormConfigLogic::ActionComPort6Execute() { selectPort(ActionId::ComPort6); }
void FormConfigLogic::ActionComPort7Execute() { selectPort(ActionId::ComPort7); }
void FormConfigLogic::ActionComPort8Execute() { selectPort(ActionId::ComPort8); }
void FormConfigLogic::ActionUsbExecute() { selectPort(ActionId::Usb); }

} // namespace kovrin
