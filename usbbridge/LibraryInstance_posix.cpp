#include "LibraryInstance.h"

namespace ubrix {

// Destroyed when the library is unloaded: a reader the client left running is stopped
// and joined then.
LibraryInstance& libraryInstance() {
    static LibraryInstance instance;
    return instance;
}

} // namespace ubrix
