// The file commands: ActionNewExecute, ActionOpenExecute, ActionSaveExecute,
// ActionSaveAsExecute, the offer to save before New, Open and Download, and the
// start-up file.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/WindowTexts.h"
#include "config/ConfigFile.h"

namespace kovrin {

// The writer's questions and errors as message boxes of the window.
class FormConfigLogic::FilePrompt final : public FilePrompts {
public:
    explicit FilePrompt(MainView& view) : view_(view) {}
    void ShowError(std::string_view message) override
    {
        view_.showMessage({std::string(kFileMessageTitle), std::string(message), MessageIcon::Error,
                           MessageButtons::Ok});
    }
    bool AskOverwrite(std::string_view question) override
    {
        return view_.showMessage({std::string(kFileMessageTitle), std::string(question),
                                  MessageIcon::Question, MessageButtons::YesNo}) == MessageResult::Yes;
    }

private:
    MainView& view_;
};

FileDialogSpec FormConfigLogic::saveDialog() const
{
    return {std::string(text::kSaveDialogTitle), std::string(text::kFileFilter),
            std::string(text::kFileExtension), saveDialogFolder_};
}

void FormConfigLogic::setSaveDialogFolder()
{
    saveDialogFolder_ = env_.windowsVersion > 5 ? env_.commonDataFolder : env_.programFolder;
}

void FormConfigLogic::writeFile(const std::string& name)
{
    FilePrompt prompt(view_);
    // Every failure has shown its own message; the commands go on either way.
    WriteConfigFile(record_, name, prompt);
}

void FormConfigLogic::setDataSourceFile(const std::string& name)
{
    dataSource_ = DataSource::File;
    state_.status.imageUps = false;
    state_.status.imageFile = true;
    state_.status.labelFile = name;
}

void FormConfigLogic::offerToSave()
{
    if (!state_.pageVisible)
        return;  // nothing on screen yet
    const MessageResult answer = view_.showMessage({std::string(text::kTitle), std::string(text::kSaveQuestion),
                                                    MessageIcon::Information, MessageButtons::YesNo});
    if (answer != MessageResult::Yes)
        return;
    // The folder is whatever Save or Save As set last.
    const std::optional<std::string> name = view_.runSaveDialog(saveDialog());
    if (!name)
        return;
    // No validation here: what is on screen is kept even when it breaks a rule.
    editor_.StoreRecord(record_);
    writeFile(*name);
}

void FormConfigLogic::loadFile(const std::string& name)
{
    // A file that cannot be read leaves the record as it was; the name is shown anyway.
    ReadConfigFile(record_, name);
    setDataSourceFile(name);
    sourceRecord_ = record_;
    uploaded_ = false;
    for (ActionId id : {ActionId::Save, ActionId::SaveAs, ActionId::Settings, ActionId::Statistics})
        enable(id);
    showRecordLoaded();
}

void FormConfigLogic::ActionNewExecute()
{
    offerToSave();
    LoadFactoryDefaults(record_);
    sourceRecord_ = record_;
    uploaded_ = false;
    dataSource_ = DataSource::Defaults;
    state_.status.imageUps = false;
    state_.status.imageFile = false;
    state_.status.labelFile = text::kSourceDefaults;
    enable(ActionId::Save);
    enable(ActionId::SaveAs);
    showRecordLoaded();
    changed();
}

void FormConfigLogic::ActionOpenExecute()
{
    offerToSave();
    const std::optional<std::string> name = view_.runOpenDialog(
        {std::string(text::kOpenDialogTitle), std::string(text::kFileFilter), std::string(text::kFileExtension), ""});
    if (name)
        loadFile(*name);
    changed();
}

void FormConfigLogic::ActionSaveExecute()
{
    if (!validate())
        return;
    setSaveDialogFolder();
    if (dataSource_ == DataSource::File) {
        editor_.StoreRecord(record_);
        const std::string current = state_.status.labelFile;
        if (!current.empty()) {
            writeFile(current);
            return;
        }
    }
    saveThroughDialog();
}

void FormConfigLogic::ActionSaveAsExecute()
{
    if (!validate())
        return;
    setSaveDialogFolder();
    saveThroughDialog();
}

void FormConfigLogic::saveThroughDialog()
{
    const std::optional<std::string> chosen = view_.runSaveDialog(saveDialog());
    if (!chosen)
        return;
    editor_.StoreRecord(record_);
    writeFile(*chosen);
    setDataSourceFile(*chosen);
    changed();
}

} // namespace kovrin
