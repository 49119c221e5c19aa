#pragma once
// TFormConfig, the main window: menus, toolbar, the "Basic" page and the status bar.
// It implements the window logic's view and forwards every event to the logic; the
// decisions are all FormConfigLogic's.
#include "app/qt/Dialogs.h"
#include "app/logic/FormConfigLogic.h"
#include "app/logic/HandlerGuard.h"
#include "app/logic/MainView.h"

#include <QMainWindow>
#include <memory>

class QTabWidget;

namespace kovrin {

class ActionBars;
class BasicPage;
class StatusPanel;

class TFormConfig : public QMainWindow, public MainView {
    Q_OBJECT
public:
    explicit TFormConfig(WindowEnvironment environment, QWidget* parent = nullptr);
    ~TFormConfig() override;

    FormConfigLogic& logic() { return *logic_; }
    QAction* action(ActionId id) const;

    // MainView
    MessageResult showMessage(const MessageBoxSpec& box) override;
    std::optional<std::string> runOpenDialog(const FileDialogSpec& dialog) override;
    std::optional<std::string> runSaveDialog(const FileDialogSpec& dialog) override;
    std::unique_ptr<ProgressView> createProgress(const std::string& text, bool cancelButton) override;
    std::optional<std::string> runPasswordDialog(const PasswordDialogTexts& texts) override;
    std::optional<std::string> runNetworkPortDialog(const NetworkPortDialogTexts& texts) override;
    void runPropertiesDialog(const PropertiesContent& content) override;
    void showComparison(const CompareContent& content) override;
    CompareChoice runComparison(const CompareContent& content) override;
    void showException(const std::string& message) override;
    void focusControl(std::string_view name) override;
    void closeWindow() override;
    void stateChanged(const MainWindowState& state) override;

protected:
    void showEvent(QShowEvent* event) override;   // FormShow, once
    void closeEvent(QCloseEvent* event) override; // FormClose

private:
    // Runs a handler; an exception that escapes it is shown and the program goes on.
    template <typename F>
    void guarded(F&& handler);
    void buildFrame();
    void apply(const MainWindowState& state);
    // After a dialog or a message box: the window active again, its focus where it was.
    void reactivate();

    std::unique_ptr<ActionBars> bars_;
    StatusPanel* status_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    BasicPage* page_ = nullptr;
    FileDialog openDialog_{FileDialog::Mode::Open};
    FileDialog saveDialog_{FileDialog::Mode::Save};
    std::unique_ptr<FormConfigLogic> logic_;
    HandlerGuard guard_;
};

} // namespace kovrin
