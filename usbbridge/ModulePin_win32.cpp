#include "ModulePin.h"

#include <windows.h>

namespace ubrix {

namespace {
void anchor() {}
} // namespace

ModulePin::ModulePin() {
    HMODULE module = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&anchor), &module))
        module_ = module;
}

ModulePin::~ModulePin() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

} // namespace ubrix
