#pragma once
// Texts from the record (ATS code, ATS model, firmware version) are bytes in the switch's
// 8-bit character set, Windows-1252. Every view shows them through this one conversion.
#include <string>
#include <string_view>

namespace kovrin {

// Unicode code point of one Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as
// the system's own conversion does, so no byte is ever lost or merged with another.
char32_t Windows1252CodePoint(unsigned char byte);

// True for the five bytes without a character.
bool Windows1252Undefined(unsigned char byte);

// The bytes as UTF-8, one character per byte.
std::string Windows1252ToUtf8(std::string_view bytes);

// UTF-8 text (a manifest's column) as the switch's bytes; false when it is not UTF-8 or
// holds a character the code page lacks.
bool Utf8ToWindows1252(std::string_view text, std::string& bytes);

} // namespace kovrin
