// The Properties dialog's FormShow, without the toolkit.
#include "app/logic/PropertiesDialog.h"

#include "config/Windows1252.h"

#include <string>

namespace kovrin {

namespace {

// Positions in kPropertiesFields.
enum FieldIndex { Firmware, NomCurrent, NomVoltage, NomFrequency, UpsType, IoConf, InputSocket, OutputSocket };
static_assert(kPropertiesFields[Firmware].edit == "EditFirmware" && kPropertiesFields[NomCurrent].edit == "EditNomPowerVA" &&
              kPropertiesFields[NomVoltage].edit == "EditNomPowerW" && kPropertiesFields[NomFrequency].edit == "EditNomBattVolt" &&
              kPropertiesFields[UpsType].edit == "EditUpsType" && kPropertiesFields[IoConf].edit == "EditIOConf" &&
              kPropertiesFields[InputSocket].edit == "EditBattNum" && kPropertiesFields[OutputSocket].edit == "EditBattBench");

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
    v[Firmware] = Windows1252ToUtf8(r.text(field::FirmwareVersion));  // at most the field's 16 bytes
    v[IoConf] = IoConfigurationText(r.code(field::IoConfiguration));
    v[UpsType] = AtsTypeText(r.code(field::AtsType));
    // Bytes outside the digits give numbers outside 0..9; an input socket '0' shows word 3 / 12.
    v[OutputSocket] = std::to_string(OutputSocketNumber(r));
    v[InputSocket] = std::to_string(InputSocketNumber(r));
    return content;
}

} // namespace kovrin
