#include "config/ConfigRecord.h"

#include "config/Parameters.h"

#include <algorithm>
#include <cstring>

namespace kovrin {

std::uint16_t ConfigRecord::word(int n) const
{
    if (n < 0 || n >= kRecordWordCount)
        return 0;
    const std::size_t at = field::WordsOffset + 2 * static_cast<std::size_t>(n);
    return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
}

void ConfigRecord::setWord(int n, std::uint16_t value)
{
    if (n < 0 || n >= kRecordWordCount)
        return;
    const std::size_t at = field::WordsOffset + 2 * static_cast<std::size_t>(n);
    bytes_[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::string ConfigRecord::text(RecordField f) const
{
    const auto* begin = reinterpret_cast<const char*>(bytes_.data() + f.offset);
    const auto* end = begin + f.width;
    return std::string(begin, std::find(begin, end, '\0'));
}

void ConfigRecord::setText(RecordField f, const std::string& value)
{
    std::uint8_t* dest = bytes_.data() + f.offset;
    std::memset(dest, 0, f.width);
    std::memcpy(dest, value.data(), std::min(value.size(), f.width - 1));
}

std::uint16_t ConfigRecord::number(RecordField f) const
{
    return static_cast<std::uint16_t>(bytes_[f.offset] | (bytes_[f.offset + 1] << 8));
}

void ConfigRecord::setNumber(RecordField f, std::uint16_t value)
{
    bytes_[f.offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes_[f.offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void ClearRecord(ConfigRecord& record)
{
    record.bytes().fill(0);
}

void LoadFactoryDefaults(ConfigRecord& record)
{
    record.bytes().fill(0xFF);
    for (const ParameterInfo& p : kParameters)
        record.setWord(p.word, p.factoryDefault);
}

std::string IoConfigurationText(std::uint8_t code)
{
    switch (code) {
    case '1': return "Monophase/Monophase";
    case '4': return "Threephase/Threephase";
    default: return {};
    }
}

std::string AtsTypeText(std::uint8_t code)
{
    switch (code) {
    case '5': return "Automatic Transfer Switch";
    case '6': return "Static Transfer Switch";
    default: return {};
    }
}

int InputSocketNumber(const ConfigRecord& record)
{
    const int shown = record.code(field::InputSocket) - '0';
    return shown == 0 ? record.word(3) / 12 : shown;
}

int OutputSocketNumber(const ConfigRecord& record)
{
    return record.code(field::OutputSocket) - '0';
}

} // namespace kovrin
