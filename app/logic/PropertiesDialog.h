#pragma once
// What the Properties dialog shows, computed from its own copy of the record so the
// toolkit form only places the texts.
#include "config/ConfigRecord.h"

#include <array>
#include <string>
#include <string_view>

namespace kovrin {

struct PropertiesField {
    std::string_view group;    // group box caption (blanks as drawn)
    std::string_view caption;  // the field's label
    std::string_view edit;     // object name of the read-only edit
};

// Display order, top to bottom.
inline constexpr std::array<PropertiesField, 8> kPropertiesFields{{
    {"ATS identification ", "Firmware version (mC)", "EditFirmware"},
    {" Nominal data ", "Nominal current (A)", "EditNomPowerVA"},
    {" Nominal data ", "Nominal voltage (V)", "EditNomPowerW"},
    {" Nominal data ", "Nominal frequency (Hz)", "EditNomBattVolt"},
    {"ATS type ", "ATS type", "EditUpsType"},
    {"ATS type ", "I/O configuration", "EditIOConf"},
    {"ATS type ", "Input socket", "EditBattNum"},
    {"ATS type ", "Output socket", "EditBattBench"},
}};

struct PropertiesDialogTexts {
    std::string_view caption = "Properties";
    std::string_view tab = "Nominal Data";   // NominalTab
    std::string_view btnClose = "Close";     // BtnClose, default button, gets the focus
};

struct PropertiesContent {
    ConfigRecord record;                       // the dialog's own copy, taken at creation
    std::array<std::string, 8> values;         // one UTF-8 text per kPropertiesFields entry
    PropertiesDialogTexts texts;

    // The text for an edit by object name; empty for an unknown name.
    std::string value(std::string_view edit) const;
};

// Fills the fields from a copy of `record` (FormShow of the dialog).
PropertiesContent MakePropertiesContent(const ConfigRecord& record);

} // namespace kovrin
