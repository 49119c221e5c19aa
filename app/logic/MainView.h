#pragma once
// The screen as the window logic sees it. The Qt forms implement this and forward
// their events to FormConfigLogic; tests implement it with a scripted fake.
#include "app/logic/CompareDialog.h"
#include "app/logic/NetworkPortDialog.h"
#include "app/logic/MainWindowState.h"
#include "app/logic/PasswordDialog.h"
#include "app/logic/PropertiesDialog.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kovrin {

enum class MessageIcon { None, Error, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

// A task-modal message box without owner window.
struct MessageBoxSpec {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Error;
    MessageButtons buttons = MessageButtons::Ok;
};

struct FileDialogSpec {
    std::string title;
    std::string filter;            // "ATS Configuration file (.kvnf) | *.kvnf"
    std::string defaultExtension;  // "*.kvnf"
    std::string initialFolder;     // empty: leave the dialog's folder as it is
};

// One progress dialog (FormProgress): shown non-modal, repainted only when told.
// Destroying the object releases the dialog.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void setRange(int minimum, int maximum) = 0;  // ProgressBar1
    virtual void setPosition(int position) = 0;
    virtual void setBarVisible(bool visible) = 0;
    virtual void setLabel(const std::string& text) = 0;   // Label1
    virtual void show() = 0;                              // without making it modal
    virtual void repaint() = 0;                           // bar and label at once
};

class MainView {
public:
    virtual ~MainView() = default;

    virtual MessageResult showMessage(const MessageBoxSpec& box) = 0;

    // The chosen file name, or nullopt on Cancel. Neither dialog asks about
    // overwriting nor insists that the file exists.
    virtual std::optional<std::string> runOpenDialog(const FileDialogSpec& dialog) = 0;
    virtual std::optional<std::string> runSaveDialog(const FileDialogSpec& dialog) = 0;

    // A fresh progress dialog whose caption and Label1 are `text`, with BtnCancel
    // shown only when `cancelButton`. It is not shown yet. May throw; the logic then
    // reports it through showException and goes on without a dialog.
    virtual std::unique_ptr<ProgressView> createProgress(const std::string& text, bool cancelButton) = 0;

    // A fresh modal FormPassword; the entry on OK, nullopt on Cancel or the close box.
    virtual std::optional<std::string> runPasswordDialog(const PasswordDialogTexts& texts) = 0;

    // The network port dialog, modal: the name entered (or picked from texts.recent) on
    // OK, nullopt on Cancel. A view without one offers no network port.
    virtual std::optional<std::string> runNetworkPortDialog(const NetworkPortDialogTexts&) { return std::nullopt; }

    // A fresh modal FormSettings showing `content`; returns when it is closed.
    virtual void runPropertiesDialog(const PropertiesContent& content) = 0;

    // The "Compare with ATS" dialog, modal; returns when it is closed. Without a dialog
    // of its own a view shows the comparison as a message box.
    virtual void showComparison(const CompareContent& content)
    {
        showMessage({content.caption, CompareText(content), MessageIcon::Information, MessageButtons::Ok});
    }
    // The same dialog with its ticks and "Upload selected"; a view without them shows the
    // comparison and the user can only close it.
    virtual CompareChoice runComparison(const CompareContent& content)
    {
        showComparison(content);
        return {};
    }

    // The application's standard exception display.
    virtual void showException(const std::string& message) = 0;

    // Keyboard focus to a control by object name ("PageControl1", "Edit3", ...).
    virtual void focusControl(std::string_view name) = 0;

    // Close the main window; the form then calls FormConfigLogic::FormClose.
    virtual void closeWindow() = 0;

    // The logic changed something: re-read `state` and the editor model.
    virtual void stateChanged(const MainWindowState& state) = 0;
};

} // namespace kovrin
