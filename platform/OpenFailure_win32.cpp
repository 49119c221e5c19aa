// The error box stays as users of this program know it on Windows; the reason goes to
// the log only.
#include "platform/OpenFailure.h"

namespace kovrin {

OpenFailureReason ExplainOpenFailure(const std::string&, const std::string& device, unsigned error)
{
    return {device + " cannot be opened: system error " + std::to_string(error), false};
}

} // namespace kovrin
