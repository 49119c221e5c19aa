#pragma once
// The main window (TFormConfig) without its toolkit: the state the commands share
// and every command. The handlers live in one file per command group:
//   FormConfigLogic.cpp     creation, FormShow, FormClose, ApplyAccessLevel, display rules
//   FileCommands.cpp        ActionNew/Open/Save/SaveAsExecute, the offer to save, start-up file
//   ConnectionCommands.cpp  ActionConnect/DisconnectExecute, the nine port commands
//   TransferCommands.cpp    ActionDownloadExecute, ActionUploadExecute
//   PasswordCommand.cpp     ActionServicePasswordExecute
//   PropertiesCommand.cpp   ActionSettingsExecute
//   HelpExitCommands.cpp    ActionHelpExecute, ActionExitExecute
//   CommissioningCommands.cpp  ActionCompareExecute, ActionReportExecute
#include "app/logic/Actions.h"
#include "app/logic/LinkService.h"
#include "app/logic/MainView.h"
#include "app/logic/MainWindowState.h"
#include "config/ConfigRecord.h"
#include "config/ParameterEditor.h"

#include <functional>
#include <memory>
#include <string>

namespace kovrin {

class Clock;

// What start-up hands the window: the folders, the command line and the seams.
struct WindowEnvironment {
    std::string programFolder;     // ends with a separator
    std::string commonDataFolder;  // no trailing separator
    unsigned windowsVersion = 99;  // > 5 selects commonDataFolder for the save dialog
    std::string startupFile;       // empty: none
    LinkService* links = nullptr;  // null: links over comm/ (CommLinkService)
    Clock* clock = nullptr;        // the connect animation's waits; null: the system clock
    // The file of the network ports last used; nullopt: NetworkPortMemoryFile().
    std::optional<std::string> networkPortFile;
    // Opens folder + file with the desktop's viewer; returns a shell code, > 32 on
    // success, 2 for a missing file, 31 when no viewer is associated.
    // Empty: platform/Shell.h's OpenDocument.
    std::function<unsigned(const std::string& folder, const std::string& file)> openDocument;
};

class FormConfigLogic {
public:
    // Window creation: caption, COM1 checked, transfer and file commands disabled,
    // disconnected, User level, no data source. Does not call stateChanged: the view
    // reads state() once the object exists.
    FormConfigLogic(MainView& view, WindowEnvironment environment);
    ~FormConfigLogic();
    FormConfigLogic(const FormConfigLogic&) = delete;
    FormConfigLogic& operator=(const FormConfigLogic&) = delete;

    // Window events.
    void FormShow();   // once, when first shown: start-up file or factory defaults
    void FormClose();  // Disconnect first when connected; never asks anything

    // File commands.
    void ActionNewExecute();
    void ActionOpenExecute();
    void ActionSaveExecute();
    void ActionSaveAsExecute();

    // Connection commands.
    void ActionConnectExecute();
    void ActionDisconnectExecute();
    void ActionComPort1Execute();
    void ActionComPort2Execute();
    void ActionComPort3Execute();
    void ActionComPort4Execute();
    void ActionComPort5Execute();
    void ActionComPort6Execute();
    void ActionComPort7Execute();
    void ActionComPort8Execute();
    void ActionUsbExecute();
    // Asks for a network port name (the last few used offered) and selects it.
    void ActionNetworkPortExecute();
    // The Connection menu opens: the port commands' hints name the devices present now.
    void ConnectionMenuPopup();

    // Transfers.
    void ActionDownloadExecute();
    void ActionUploadExecute();

    // Commissioning: the switch's words against the screen; the printable report.
    void ActionCompareExecute();
    void ActionReportExecute();

    // The rest.
    void ActionServicePasswordExecute();
    void ActionSettingsExecute();
    void ActionHelpExecute();
    void ActionExitExecute();

    // "Load factory default" (Button1): defaults into the record, shown at 50 Hz;
    // data source and LabelFile stay.
    void Button1Click();

    void ApplyAccessLevel(int level);

    // Runs the handler of an action (what the form connects each QAction to).
    // ActionStatistics has none and does nothing.
    void RunAction(ActionId id);

    // State.
    const MainWindowState& state() const { return state_; }
    const std::string& PortName() const { return portName_; }
    bool Connected() const { return connected_; }
    int AccessLevel() const { return accessLevel_; }
    DataSource dataSource() const { return dataSource_; }
    const ConfigRecord& record() const { return record_; }
    ParameterEditor& editor() { return editor_; }
    const ParameterEditor& editor() const { return editor_; }
    // A link object exists (ActivePort refers to one).
    bool hasActivePort() const { return activePort_ != nullptr; }

private:
    class FilePrompt;
    class TransferSteps;

    void selectPort(ActionId port);
    void refreshPortHints();
    void offerToSave();
    void loadFile(const std::string& name);
    void showRecordLoaded();
    void setDataSourceFile(const std::string& name);
    void setConnectedDisplay();
    void setDisconnectedDisplay();
    void destroyActivePort();
    std::unique_ptr<ProgressView> openProgress(const std::string& caption, int maximum, bool barVisible = true);
    FileDialogSpec saveDialog() const;
    void setSaveDialogFolder();
    void writeFile(const std::string& name);
    // SaveDialog1, then the controls written under the chosen name (Save and Save As).
    void saveThroughDialog();
    bool validate();
    // The record with words 0..15 as the controls show them.
    ConfigRecord recordOnScreen() const;
    void uploadSelected(const ConfigRecord& onSwitch, const ConfigRecord& onScreen, const std::vector<int>& words);
    void enable(ActionId id, bool on = true) { state_.action(id).enabled = on; }
    void error(std::string_view text);
    void changed();

    MainView& view_;
    WindowEnvironment env_;
    std::unique_ptr<LinkService> ownLinks_;  // when the environment brings none
    Clock& clock_;

    std::string portName_ = "COM1";
    bool connected_ = false;
    int accessLevel_ = 0;
    DataSource dataSource_ = DataSource::None;
    ConfigRecord record_;
    // Where the values came from: the record as last read from the switch or a file (or
    // the defaults), and as last written to the switch, each with its time.
    ConfigRecord sourceRecord_;
    std::string sourceTime_;
    ConfigRecord uploadedRecord_;
    std::string uploadTime_;
    bool uploaded_ = false;
    ParameterEditor editor_;
    std::unique_ptr<Link> activePort_;  // ActivePort
    std::string saveDialogFolder_;      // SaveDialog1 keeps the folder last set
    MainWindowState state_;
};

} // namespace kovrin
