#pragma once
// The one rule for whether two records name the same switch. A switch pads its ATS code
// with blanks or zero bytes to the field's width, and a file's header line may have lost
// them; the factory defaults' 0xFF filler (all of it from `defaults`, its first bytes from
// a saved defaults file) names no switch at all.
#include "config/ConfigRecord.h"

#include <string>
#include <string_view>

namespace kovrin {

// A switch text without the blanks and zero bytes it ends with.
std::string_view TrimSwitchText(std::string_view text);

// The ATS code's characters (Windows-1252, at most 16) without its padding; empty for
// the factory filler.
std::string SwitchCode(const ConfigRecord& record);

// False for the factory defaults' filler identification.
bool NamesSwitch(const ConfigRecord& record);

// Both name a switch and it is the same one.
bool SameSwitch(const ConfigRecord& a, const ConfigRecord& b);

} // namespace kovrin
