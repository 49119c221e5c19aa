#pragma once
// The computer's own name, for records that say which station wrote them.
#include <string>

namespace kovrin {

// Empty when the system gives none.
std::string HostName();

} // namespace kovrin
