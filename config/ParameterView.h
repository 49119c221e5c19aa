#pragma once
// One readable view of a configuration: every parameter word as the record holds it,
// through the parameter rules, with its unit and the range its control allows at the
// nominal frequency the words give. A value outside that range is shown as it is and
// marked, never limited. `show`, comparisons, JSON and the settings report all read it,
// so they say the same about a switch.
#include "config/ConfigRecord.h"
#include "config/ParameterRules.h"
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
    long value = 0;                       // the word's number
    std::string shown;                    // the number, marked when outside the range
    int min = 0;                          // the range the control allows here
    int max = 0;
    bool inRange = true;
    std::uint16_t editorWord = 0;         // what the editor keeps of it after showing the record
    bool editorChanges() const { return editorWord != word; }
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
    int frequency = 50;                            // as the words give it
    int hysteresisA = 0;
    int hysteresisB = 0;
    std::array<std::uint16_t, 16> words{};
    std::uint16_t recordSum = 0;
    bool namesSwitch = true;  // false: the factory defaults' filler identification
    std::string switchCode;   // the ATS code as the identity rule reads it

    const IdentityField* field(std::string_view key) const;
    const ParameterValue* parameter(std::string_view name) const;
};

// `fromSwitch`: the record was read from a switch, so its nominal data is known (files
// and the factory defaults hold none).
ParameterView MakeParameterView(const ConfigRecord& record, bool fromSwitch = true);

// "180 to 200" style text of a parameter's range.
std::string RangeText(const ParameterValue& value);
// "120 (outside 60 to 103)" for a value outside its range, else the number alone.
std::string MarkedValue(long value, const ValueRange& range);

// One difference between two views.
struct ViewDifference {
    std::string_view key;    // IdentityField::key or the parameter's name
    std::string_view label;  // the field's label or the parameter's name
    std::string a;           // A's text
    std::string b;           // B's text
    std::string_view unit;   // parameters only
    long aValue = 0;         // parameters only: the numbers
    long bValue = 0;
    bool aInRange = true;
    bool bInRange = true;
};

struct ViewComparison {
    std::vector<ViewDifference> parameters;  // by word; derived settings last
    std::vector<ViewDifference> identity;    // identification and nominal data
    bool otherSwitch = false;                // the ATS codes differ
    bool same() const { return parameters.empty() && identity.empty(); }
};

// Compares the words each holds: every parameter, the nominal frequency and hysteresis
// the words give, and the identification (nominal data only where both know it; none
// where either names no switch).
ViewComparison CompareViews(const ParameterView& a, const ParameterView& b);

} // namespace kovrin
