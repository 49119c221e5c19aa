#pragma once
// The switch of scripted runs, read the same way by both views.
#include <cstdlib>

namespace kovrin {

// True when KOVRIN_AUTO_DISMISS is set: message boxes go to standard error and take
// their default answer, and file dialogs cancel.
inline bool AutoDismiss() { return std::getenv("KOVRIN_AUTO_DISMISS") != nullptr; }

} // namespace kovrin
