#include "LibraryInstance.h"

namespace ubrix {

// Never destroyed. Its destructor would run at DLL detach, under the loader lock, where
// joining the reader thread cannot finish; the client closes the library before it
// unloads it, and at process exit the system has ended the reader already.
LibraryInstance& libraryInstance() {
    static LibraryInstance* const instance = new LibraryInstance;
    return *instance;
}

} // namespace ubrix
