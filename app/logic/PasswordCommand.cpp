// ActionServicePasswordExecute: the service password raises the access level.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/WindowTexts.h"

#include <exception>

namespace kovrin {

bool IsServicePassword(const std::string& entry)
{
    return entry == text::kServicePassword;
}

void FormConfigLogic::ActionServicePasswordExecute()
{
    std::optional<std::string> entry;
    try {
        // A fresh dialog each time, so the entry always starts empty.
        entry = view_.runPasswordDialog(PasswordDialogTexts{});
    } catch (const std::exception& e) {
        view_.showException(e.what());
        return;
    } catch (...) {
        view_.showException("");
        return;
    }
    if (!entry)
        return;  // Cancel or the close box
    if (!IsServicePassword(*entry)) {
        error(text::kWrongPassword);
        return;  // the level stays as it was, Service included
    }
    accessLevel_ = 1;
    state_.status.imageKeyUser = false;
    state_.status.imageKeyService = true;
    state_.status.labelAccess = text::kAccessService;
    ApplyAccessLevel(1);
    changed();
}

} // namespace kovrin
