#include "Runtime.h"

#include <windows.h>

namespace ubrix {

void Runtime::raiseCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL); }

} // namespace ubrix
