#pragma once
// The switch of scripted runs; app/logic/ScriptedView.h is what it changes.
#include <cstdlib>

namespace kovrin {

// True when KOVRIN_AUTO_DISMISS is set: message boxes go to standard error and take
// their default answer, and file dialogs cancel.
inline bool AutoDismiss() { return std::getenv("KOVRIN_AUTO_DISMISS") != nullptr; }

} // namespace kovrin
