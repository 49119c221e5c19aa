#pragma once
// The toolkit's message boxes and file dialogs as the window logic asks for them.
#include "app/logic/MainView.h"

#include <QString>

class QWidget;
#include <optional>
#include <string>

namespace kovrin {

// Application-modal, without owner window. (A scripted run answers in front of the
// view: app/logic/ScriptedView.h.)
MessageResult ShowMessageBox(const MessageBoxSpec& box);

// The application's standard exception display: the message in an error box.
void ShowExceptionBox(const std::string& message);

// "Text (.ext) | *.ext" (description | pattern pairs) in the toolkit's notation.
QString ToQtFilter(const std::string& filter);
// "*.kvnf" -> "kvnf": the suffix appended to a name typed without one.
QString ToDefaultSuffix(const std::string& extension);

// One file dialog of the window (OpenDialog1 or SaveDialog1). It remembers the folder of
// its last use, which an empty initial folder leaves in place.
class FileDialog {
public:
    enum class Mode { Open, Save };
    explicit FileDialog(Mode mode) : mode_(mode) {}
    // Centred on and kept above `parent` (the main window), when given.
    std::optional<std::string> run(const FileDialogSpec& request, QWidget* parent = nullptr);

private:
    Mode mode_;
    QString folder_;
};

} // namespace kovrin
