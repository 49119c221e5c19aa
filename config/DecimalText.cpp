#include "config/DecimalText.h"

#include <limits>

namespace kovrin {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Index of the first digit after blanks and the sign; `negative` tells the sign.
std::size_t skipToDigits(std::string_view text, bool& negative)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

} // namespace

long long ParseDecimal(std::string_view text)
{
    bool negative = false;
    constexpr long long top = std::numeric_limits<long long>::max();
    long long value = 0;
    bool saturated = false;
    for (std::size_t i = skipToDigits(text, negative); i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (saturated || value > (top - digit) / 10)
            saturated = true;
        else
            value = value * 10 + digit;
    }
    if (saturated)
        return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    return negative ? -value : value;
}

std::uint8_t ParseDecimalByte(std::string_view text)
{
    bool negative = false;
    unsigned value = 0;
    for (std::size_t i = skipToDigits(text, negative); i < text.size() && isDigit(text[i]); ++i)
        value = (value * 10 + static_cast<unsigned>(text[i] - '0')) % 256;
    return static_cast<std::uint8_t>(negative ? (256 - value) % 256 : value);
}

} // namespace kovrin
