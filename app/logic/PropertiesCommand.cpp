// ActionSettingsExecute: the Properties dialog on a copy of the record.
#include "app/logic/FormConfigLogic.h"

#include <exception>

namespace kovrin {

void FormConfigLogic::ActionSettingsExecute()
{
    try {
        view_.runPropertiesDialog(MakePropertiesContent(record_));
    } catch (const std::exception& e) {
        view_.showException(e.what());
    } catch (...) {
        view_.showException("");
    }
}

} // namespace kovrin
