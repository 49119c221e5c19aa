#pragma once
// SHA-256 of a byte string, as lowercase hex: the records name the exact template a unit
// was programmed from.
#include <string>
#include <string_view>

namespace kovrin {

std::string Sha256Hex(std::string_view bytes);

} // namespace kovrin
