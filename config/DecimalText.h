#pragma once
// Decimal numbers as the system reads them from texts: leading blanks skipped, an
// optional sign, then the digits up to the first non-digit; no digits give 0.
#include <cstdint>
#include <string_view>

namespace kovrin {

// Saturates at the ends of long long instead of overflowing.
long long ParseDecimal(std::string_view text);

// The number modulo 256, exact for any count of digits (-1 gives 255, 300 gives 44).
std::uint8_t ParseDecimalByte(std::string_view text);

} // namespace kovrin
