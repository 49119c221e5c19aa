#include "platform/Terminal.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace kovrin {

bool StdoutRedrawable()
{
    const char* term = std::getenv("TERM");
    return isatty(STDOUT_FILENO) == 1 && !(term && std::strcmp(term, "dumb") == 0);
}

} // namespace kovrin
