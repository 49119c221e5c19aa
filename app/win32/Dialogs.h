#pragma once
// Message boxes and the two file dialogs, as the system's own: MessageBoxA task-modal
// without owner, GetOpenFileNameA and GetSaveFileNameA.
#include "app/logic/MainView.h"
#include "app/win32/Win32Ui.h"

#include <optional>
#include <string>

namespace kovrin::win32 {

MessageResult ShowMessageBox(const MessageBoxSpec& box);

// The application's standard exception display.
void ShowExceptionBox(const std::string& message);

// "Description | pattern | ..." as the double-zero-terminated list the dialogs take.
std::string ToWin32Filter(const std::string& filter);
// "*.kvnf" as the dialogs' default extension, "kvnf".
std::string ToDefaultExtension(const std::string& extension);

// One file dialog that keeps the folder it was last set to, like a dialog component.
class FileDialog {
public:
    enum class Mode { Open, Save };
    explicit FileDialog(Mode mode) : mode_(mode) {}
    std::optional<std::string> run(const FileDialogSpec& request, HWND owner);

private:
    Mode mode_;
    std::string folder_;
};

} // namespace kovrin::win32
