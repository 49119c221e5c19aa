// Window creation, FormShow, FormClose, ApplyAccessLevel and the display rules the
// commands share.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/CommLinkService.h"
#include "app/logic/WindowTexts.h"
#include "platform/Clock.h"

#include <exception>
#include <utility>

namespace kovrin {

FormConfigLogic::FormConfigLogic(MainView& view, WindowEnvironment environment)
    : scripted_(view)
    , view_(scripted_)
    , env_(std::move(environment))
    , clock_(env_.clock ? *env_.clock : systemClock())
{
    if (!env_.links) {
        ownLinks_ = std::make_unique<CommLinkService>(clock_);
        env_.links = ownLinks_.get();
    }
    state_.caption = std::string(text::kProductName) + " - " + std::string(text::kVersion);

    portName_ = "COM1";
    for (const PortCommand& port : kPortCommands)
        state_.action(port.action).checked = port.action == ActionId::ComPort1;

    for (ActionId id : {ActionId::Download, ActionId::Upload, ActionId::Save, ActionId::SaveAs,
                        ActionId::Settings, ActionId::Statistics})
        enable(id, false);

    setDisconnectedDisplay();

    accessLevel_ = 0;
    state_.status.imageKeyUser = true;
    state_.status.imageKeyService = false;
    state_.status.labelAccess = text::kAccessUser;

    // GroupBox3 hidden and "50" selected: the editor model starts that way.
    dataSource_ = DataSource::None;
    state_.status.imageUps = false;
    state_.status.imageFile = false;
    state_.status.labelFile.clear();

    enable(ActionId::ServicePassword);
}

FormConfigLogic::~FormConfigLogic() = default;

void FormConfigLogic::FormShow()
{
    if (!env_.startupFile.empty()) {
        loadFile(env_.startupFile);
    } else {
        // The page stays hidden, so nobody sees these until New or "Load factory default".
        LoadFactoryDefaults(record_);
    }
    ApplyAccessLevel(accessLevel_);
    changed();
}

void FormConfigLogic::FormClose()
{
    if (connected_)
        ActionDisconnectExecute();
}

void FormConfigLogic::ApplyAccessLevel(int level)
{
    if (level == 0)
        return;
    editor_.ApplyAccessLevel(level);
    changed();
}

void FormConfigLogic::Button1Click()
{
    editor_.Button1Click(record_);
    changed();
}

void FormConfigLogic::RunAction(ActionId id)
{
    using Handler = void (FormConfigLogic::*)();
    static constexpr std::array<Handler, kActionCount> kHandlers{
        &FormConfigLogic::ActionNewExecute,        &FormConfigLogic::ActionOpenExecute,
        &FormConfigLogic::ActionSaveExecute,       &FormConfigLogic::ActionSaveAsExecute,
        &FormConfigLogic::ActionUploadExecute,     &FormConfigLogic::ActionDownloadExecute,
        &FormConfigLogic::ActionConnectExecute,    &FormConfigLogic::ActionDisconnectExecute,
        &FormConfigLogic::ActionComPort1Execute,   &FormConfigLogic::ActionComPort2Execute,
        &FormConfigLogic::ActionComPort3Execute,   &FormConfigLogic::ActionComPort4Execute,
        &FormConfigLogic::ActionComPort5Execute,   &FormConfigLogic::ActionComPort6Execute,
        &FormConfigLogic::ActionComPort7Execute,   &FormConfigLogic::ActionComPort8Execute,
        &FormConfigLogic::ActionUsbExecute,        &FormConfigLogic::ActionExitExecute,
        &FormConfigLogic::ActionSettingsExecute,   nullptr, // ActionStatistics has no handler
        &FormConfigLogic::ActionServicePasswordExecute, &FormConfigLogic::ActionHelpExecute,
        &FormConfigLogic::ActionCompareExecute,    &FormConfigLogic::ActionReportExecute,
        &FormConfigLogic::ActionNetworkPortExecute,
    };
    if (index(id) >= kActionCount)
        return;
    // A disabled action never fires in the toolkit; refuse it here too, so a stray
    // shortcut cannot run Download without a link or Connect twice.
    const Handler handler = kHandlers[index(id)];
    if (!handler || !state_.action(id).enabled)
        return;
    // Whatever escapes a command is shown and the program goes on.
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        view_.showException(e.what());
    } catch (...) {
        view_.showException("");
    }
}

void FormConfigLogic::setConnectedDisplay()
{
    connected_ = true;
    enable(ActionId::Connect, false);
    enable(ActionId::Download);
    if (dataSource_ != DataSource::None)
        enable(ActionId::Upload);
    state_.status.labelStatus = text::kStatusConnected;
    state_.status.imageGreen = true;
    state_.status.imageRed = false;
}

void FormConfigLogic::setDisconnectedDisplay()
{
    connected_ = false;
    enable(ActionId::Connect);
    enable(ActionId::Download, false);
    enable(ActionId::Upload, false);
    state_.status.labelStatus = text::kStatusDisconnected;
    state_.status.imageGreen = false;
    state_.status.imageRed = true;
}

void FormConfigLogic::showRecordLoaded()
{
    state_.pageVisible = true;
    editor_.ShowRecord(record_);
    if (connected_)
        enable(ActionId::Upload);
}

void FormConfigLogic::error(std::string_view message)
{
    view_.showMessage({std::string(text::kTitle), std::string(message), MessageIcon::Error,
                       MessageButtons::Ok});
}

bool FormConfigLogic::validate()
{
    const ValidationResult result = editor_.ValidateControls();
    if (result)
        return true;
    view_.showMessage({std::string(kValidationTitle), std::string(result.message),
                       MessageIcon::Error, MessageButtons::Ok});
    view_.focusControl(NameOf(result.focus));
    return false;
}

void FormConfigLogic::changed()
{
    // Comparing needs the switch and something on screen; a report needs something on screen.
    enable(ActionId::Compare, connected_ && activePort_ && dataSource_ != DataSource::None);
    enable(ActionId::Report, dataSource_ != DataSource::None);
    view_.stateChanged(state_);
}

} // namespace kovrin
