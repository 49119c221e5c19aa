#pragma once
// The window as a scripted run (KOVRIN_AUTO_DISMISS set) sees it, in front of a view:
// message boxes are written to standard error and take their default answer, the file,
// password and properties dialogs cancel, the comparison is written out. Without the
// switch every call goes on to the view. The switch is read at each call, so a test may
// turn it on for one command.
#include "app/logic/MainView.h"

namespace kovrin {

class ScriptedView final : public MainView {
public:
    explicit ScriptedView(MainView& view) : view_(view) {}

    MessageResult showMessage(const MessageBoxSpec& box) override;
    std::optional<std::string> runOpenDialog(const FileDialogSpec& dialog) override;
    std::optional<std::string> runSaveDialog(const FileDialogSpec& dialog) override;
    std::unique_ptr<ProgressView> createProgress(const std::string& text, bool cancelButton) override
    {
        return view_.createProgress(text, cancelButton);
    }
    std::optional<std::string> runPasswordDialog(const PasswordDialogTexts& texts) override;
    void runPropertiesDialog(const PropertiesContent& content) override;
    std::optional<std::string> runNetworkPortDialog(const NetworkPortDialogTexts& texts) override;
    void showComparison(const CompareContent& content) override;
    CompareChoice runComparison(const CompareContent& content) override;
    void showException(const std::string& message) override;
    void focusControl(std::string_view name) override { view_.focusControl(name); }
    void closeWindow() override { view_.closeWindow(); }
    void stateChanged(const MainWindowState& state) override { view_.stateChanged(state); }

private:
    MainView& view_;
};

// A scripted run's answer to a box shown before any window exists; nullopt when the
// run is not scripted and the box is the view's to show.
std::optional<MessageResult> ScriptedAnswer(const MessageBoxSpec& box);

} // namespace kovrin
