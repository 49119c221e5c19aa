#pragma once
// TFormConfig, the main window of the Win32 view: menu bar, toolbar, the page control
// with the "Basic" page and the status bar. It implements the window logic's view and
// forwards every event to the logic; the decisions are all FormConfigLogic's.
#include "app/logic/FormConfigLogic.h"
#include "app/logic/HandlerGuard.h"
#include "app/logic/MainView.h"
#include "app/win32/ActionBars.h"
#include "app/win32/BasicPage.h"
#include "app/win32/Dialogs.h"
#include "app/win32/StatusPanel.h"

#include <memory>
#include <optional>
#include <utility>

namespace kovrin::win32 {

class PageViewport;

class TFormConfig : public MainView {
public:
    explicit TFormConfig(WindowEnvironment environment);
    ~TFormConfig() override;
    TFormConfig(const TFormConfig&) = delete;
    TFormConfig& operator=(const TFormConfig&) = delete;

    // Shows the window; the first time also runs FormShow.
    void show();
    bool isOpen() const { return window_ != nullptr; }

    HWND window() const { return window_; }
    HWND pageControl() const { return tab_; }
    FormConfigLogic& logic() { return *logic_; }
    BasicPage& page() { return *page_; }
    const StatusPanel& status() const { return *status_; }
    const ActionBars& bars() const { return *bars_; }

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

    // The focused control in view, where the page scrolls.
    void revealFocus();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs a handler; an exception that escapes it is shown and the program goes on.
    template <typename F>
    void guarded(F&& handler);
    void build();
    // The frame again at another DPI (the window moved to another monitor).
    void rebuild(Dpi dpi, const RECT& suggested);
    void apply(const MainWindowState& state);
    void close();
    // After a dialog or a message box (the boxes have no owner): the window active again,
    // the focus where it was.
    void reactivate();
    void pageFocusToFirst();

    HWND window_ = nullptr;
    Dpi dpi_;
    UniqueFont font_;
    std::unique_ptr<ActionBars> bars_;
    std::unique_ptr<StatusPanel> status_;
    std::unique_ptr<PageViewport> viewport_;
    HWND tab_ = nullptr;
    std::unique_ptr<BasicPage> page_;
    FileDialog openDialog_{FileDialog::Mode::Open};
    FileDialog saveDialog_{FileDialog::Mode::Save};
    std::unique_ptr<FormConfigLogic> logic_;
    HandlerGuard guard_;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was left
    // A DPI change that came while a command ran: the frame is rebuilt once it ended.
    std::optional<std::pair<Dpi, RECT>> pendingDpi_;
};

} // namespace kovrin::win32
