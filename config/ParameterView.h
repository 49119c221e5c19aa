#pragma once
// One readable view of a configuration, derived from the editor tables and the editor
// itself: every value as the window's edit shows it, with its unit and the range the
// control allows at the nominal frequency the editor derives. `show`, comparisons, JSON
// and the settings report all read it, so they agree with the window and with each other.
#include "config/ConfigRecord.h"
#include "config/Parameters.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

struct ParameterValue {
    const ParameterInfo* info = nullptr;  // name, word, unit, control
    std::uint16_t word = 0;               // the record word as stored
    std::string shown;                    // what the window's edit shows
    int min = 0;                          // the range the control allows here
    int max = 0;
};

// One identification or nominal field: a label, the text the window shows, and a
// number where the field is one.
struct IdentityField {
    std::string_view key;    // stable name: "atsCode", "nominalVoltage", ...
    std::string_view label;  // "ATS code", "Nominal voltage (V)", ...
    std::string text;        // UTF-8, as shown (Windows-1252 decoded)
    bool isNumber = false;
    long number = 0;
    bool nominal = false;    // nominal data, which files do not keep
    bool known = true;       // false: nominal data of a record that did not come from a switch
};

struct ParameterView {
    std::vector<IdentityField> identity;           // kIdentityFields order
    std::array<ParameterValue, 16> parameters;     // word order
    int frequency = 50;                            // as the editor derives it
    int hysteresisA = 0;
    int hysteresisB = 0;
    std::array<std::uint16_t, 16> words{};
    std::uint16_t recordSum = 0;
    bool namesSwitch = true;  // false: the factory defaults' blank identification

    const IdentityField* field(std::string_view key) const;
    const ParameterValue* parameter(std::string_view name) const;
};

// `fromSwitch`: the record was read from a switch, so its nominal data is known (files
// and the factory defaults hold none).
ParameterView MakeParameterView(const ConfigRecord& record, bool fromSwitch = true);

// "180 to 200" style text of a parameter's range.
std::string RangeText(const ParameterValue& value);

// One difference between two views.
struct ViewDifference {
    std::string_view key;    // IdentityField::key or the parameter's name
    std::string_view label;  // the field's label or the parameter's name
    std::string a;           // A's text
    std::string b;           // B's text
    std::string_view unit;   // parameters only
};

struct ViewComparison {
    std::vector<ViewDifference> parameters;  // by word; derived settings last
    std::vector<ViewDifference> identity;    // identification and nominal data
    bool otherSwitch = false;                // the ATS codes differ
    bool same() const { return parameters.empty() && identity.empty(); }
};

// Compares what the window shows for each: every parameter, the nominal frequency and
// hysteresis the editor derives, and the identification (nominal data only where both
// know it).
ViewComparison CompareViews(const ParameterView& a, const ParameterView& b);

} // namespace kovrin
