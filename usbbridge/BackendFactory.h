#pragma once
#include "HidBackend.h"

#include <memory>

namespace ubrix {

// The back end the library variant is built with (hidapi, or the simulated adapter).
std::unique_ptr<HidBackend> makeBackend();

} // namespace ubrix
