#include "config/Windows1252.h"

#include <array>

namespace kovrin {

namespace {

// 0x80..0x9F; the rest of the code page equals its Unicode code point. 0 marks the
// undefined bytes.
constexpr std::array<char16_t, 32> kBytes80To9F{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

// Code points here stay below 0x10000.
void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

bool Windows1252Undefined(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F && kBytes80To9F[byte - 0x80] == 0;
}

char32_t Windows1252CodePoint(unsigned char byte)
{
    if (byte < 0x80 || byte > 0x9F || Windows1252Undefined(byte))
        return byte;
    return kBytes80To9F[byte - 0x80];
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes)
        AppendUtf8(out, Windows1252CodePoint(static_cast<unsigned char>(ch)));
    return out;
}

bool Utf8ToWindows1252(std::string_view text, std::string& bytes)
{
    bytes.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = at(i);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
        for (std::size_t k = 1; k < length; ++k) {
            if ((at(i + k) & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (at(i + k) & 0x3F);
        }
        i += length;
        int found = -1;
        for (int b = 0; b < 256 && found < 0; ++b)
            if (Windows1252CodePoint(static_cast<unsigned char>(b)) == cp)
                found = b;
        // An overlong form decodes to a code point its own length could not give.
        if (found < 0 || (length == 2 && cp < 0x80) || (length == 3 && cp < 0x800))
            return false;
        bytes += static_cast<char>(found);
    }
    return true;
}

} // namespace kovrin
