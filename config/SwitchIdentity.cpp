#include "config/SwitchIdentity.h"

#include <algorithm>

namespace kovrin {

std::string_view TrimSwitchText(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

namespace {

std::string PaddedCode(const ConfigRecord& record)
{
    return std::string(TrimSwitchText(record.text(field::AtsCode).substr(0, kAtsCodeMaxChars)));
}

bool Filler(const std::string& code)
{
    return !code.empty() && std::all_of(code.begin(), code.end(), [](char c) { return static_cast<unsigned char>(c) == 0xFF; });
}

} // namespace

std::string SwitchCode(const ConfigRecord& record)
{
    std::string code = PaddedCode(record);
    return Filler(code) ? std::string() : code;
}

bool NamesSwitch(const ConfigRecord& record)
{
    return !Filler(PaddedCode(record));
}

bool SameSwitch(const ConfigRecord& a, const ConfigRecord& b)
{
    return NamesSwitch(a) && NamesSwitch(b) && SwitchCode(a) == SwitchCode(b);
}

} // namespace kovrin
