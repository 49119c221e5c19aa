// ActionHelpExecute (the manual through the desktop's viewer) and ActionExitExecute.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/WindowTexts.h"
#include "platform/Shell.h"

#include <cstdio>
#include <string>

namespace kovrin {

void FormConfigLogic::ActionHelpExecute()
{
    const std::string manual = env_.programFolder + std::string(text::kManualName);
    const std::string name(text::kManualName);
    const unsigned code = env_.openDocument ? env_.openDocument(env_.programFolder, name)
                                            : OpenDocument(env_.programFolder, name);
    if (code > 32)
        return;
    std::string message(manual.size() + 64, '\0');
    const int length = std::snprintf(message.data(), message.size(), text::kCannotOpenManual.data(),
                                     manual.c_str(), code);
    message.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    view_.showMessage({std::string(text::kHelpTitle), message, MessageIcon::Error, MessageButtons::Ok});
}

void FormConfigLogic::ActionExitExecute()
{
    // No question about unsaved data; FormClose then finds no link and only resets
    // the display when still connected.
    destroyActivePort();
    view_.closeWindow();
}

} // namespace kovrin
