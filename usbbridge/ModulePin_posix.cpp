#include "ModulePin.h"

#include <dlfcn.h>

namespace ubrix {

namespace {
void anchor() {}
} // namespace

// A second reference to the object this code lives in; none when it is the program
// itself (a static build), which never goes away.
ModulePin::ModulePin() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) && info.dli_fname)
        module_ = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

ModulePin::~ModulePin() {
    if (module_) dlclose(module_);
}

} // namespace ubrix
