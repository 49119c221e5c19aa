#pragma once
// The library's one Bridge with its back end, made at the first export call.
#include "BackendFactory.h"
#include "Bridge.h"

#include <memory>

namespace ubrix {

struct LibraryInstance {
    std::unique_ptr<HidBackend> backend = makeBackend();
    SystemRuntime runtime;
    Bridge bridge{*backend, runtime};
};

LibraryInstance& libraryInstance();

} // namespace ubrix
