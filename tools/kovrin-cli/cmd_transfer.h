#pragma once
// Pieces of the device commands that do not need a device: the port argument and the
// wording of a read-back mismatch.
#include "comm/ChangedUpload.h"
#include "comm/LinkOperations.h"
#include "config/ConfigRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace kovrin::cli {

// "COM1".."COM8" (any case, stored upper-case), "USB", or a device path. Other COM names
// are refused: the window offers only these eight.
std::optional<std::string> ParsePortName(const std::string& text);

using kovrin::WordMismatch;

// "word 3 (ReturnVoltageMaxA): sent 248, switch holds 250"
std::string DescribeMismatch(const WordMismatch& m);

} // namespace kovrin::cli
