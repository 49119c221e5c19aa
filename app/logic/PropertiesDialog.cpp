// The Properties dialog's FormShow, without the toolkit.
#include "app/logic/PropertiesDialog.h"

#include <string>

namespace kovrin {

namespace {

enum FieldIndex { Firmware, NomCurrent, NomVoltage, NomFrequency, UpsType, IoConf, InputSocket, OutputSocket };

// A socket byte as the switch's digit: '0' is 0, and bytes outside the digits give
// numbers outside 0..9 (0xFF gives 207).
std::string SocketText(std::uint8_t byte)
{
    return std::to_string(static_cast<int>(byte) - '0');
}

} // namespace

std::string PropertiesContent::value(std::string_view edit) const
{
    for (std::size_t i = 0; i < kPropertiesFields.size(); ++i)
        if (kPropertiesFields[i].edit == edit)
            return values[i];
    return {};
}

PropertiesContent MakePropertiesContent(const ConfigRecord& record)
{
    PropertiesContent content;
    content.record = record;
    const ConfigRecord& r = content.record;
    auto& v = content.values;

    v[NomCurrent] = std::to_string(r.number(field::NominalCurrent));
    v[NomVoltage] = std::to_string(r.number(field::NominalVoltage));
    v[NomFrequency] = std::to_string(r.number(field::NominalFrequency));
    v[Firmware] = r.text(field::FirmwareVersion);  // at most the field's 16 bytes
    v[IoConf] = IoConfigurationText(r.code(field::IoConfiguration));
    v[UpsType] = AtsTypeText(r.code(field::AtsType));
    v[OutputSocket] = SocketText(r.code(field::OutputSocket));
    v[InputSocket] = SocketText(r.code(field::InputSocket));
    // Switches that report no input socket number carry it in word 3 instead.
    if (r.code(field::InputSocket) == '0')
        v[InputSocket] = std::to_string(r.word(3) / 12);
    return content;
}

} // namespace kovrin
