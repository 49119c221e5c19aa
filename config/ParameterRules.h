#pragma once
// The parameter rules over the 16 words as a switch holds them: the range each control
// allows at a nominal frequency, the values the editor derives (nominal frequency,
// hysteresis, return voltages) and the six rules. The editor, the parameter view and the
// uploads all ask these functions, so they cannot disagree about a switch.
#include "config/ConfigRecord.h"
#include "config/Parameters.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kovrin {

using ParameterWords = std::array<std::uint16_t, kParameterWordCount>;

ParameterWords WordsOf(const ConfigRecord& record);

// The number a word holds: signed 16-bit for a parameter an up-down sets (as the editor
// reads it), unsigned for the voltages.
long WordValue(const ParameterInfo& parameter, std::uint16_t word);

// 60 when the input A minimum frequency word reads 51 or more (as the editor picks it
// after showing a record), else 50.
int NominalFrequencyOf(const ParameterWords& words);

// Return voltage minus threshold (input A: words 1 - 0, input B: words 5 - 4).
int HysteresisAOf(const ParameterWords& words);
int HysteresisBOf(const ParameterWords& words);

// A return voltage from its threshold and the hysteresis: above a minimum, below a maximum.
int ReturnVoltageFrom(const ParameterInfo& returnVoltage, int threshold, int hysteresis);

struct ValueRange {
    int min = 0;
    int max = 0;
    bool holds(long value) const { return value >= min && value <= max; }
};

// The range of a parameter's control at `frequency` (50 or 60); a return voltage's range
// follows the threshold word it belongs to by the hysteresis range.
ValueRange RangeAt(const ParameterInfo& parameter, int frequency, const ParameterWords& words);
// The wide range the frequency up-downs take after a record is shown.
ValueRange WideRange(const ParameterInfo& parameter);
// Where "Load factory default" and a pick of the nominal frequency put a frequency
// threshold: a minimum at its range's lower end, a maximum at its upper end.
int FrequencyPreset(const ParameterInfo& parameter, int frequency);

// One of the six rules: broken when word `left` >= word `right` (strict) or > (not strict).
struct ParameterRule {
    int left;
    int right;
    bool strict;
    std::string_view message;  // the validation message box text
    int focusWord;             // the word whose edit gets the focus
    bool holds(long leftValue, long rightValue) const { return strict ? leftValue < rightValue : leftValue <= rightValue; }
};

inline constexpr std::string_view kFrequencyRuleMessage = "Frequency threshold minimum must be <= of threshold maximum";
inline constexpr std::string_view kVoltageMinRuleMessage = "Voltage threshold minimum must be < of return voltage";
inline constexpr std::string_view kVoltageMaxRuleMessage = "Voltage threshold maximum must be > of return voltage";

inline constexpr std::array<ParameterRule, 6> kParameterRules{{
    {8, 9, false, kFrequencyRuleMessage, 8},
    {10, 11, false, kFrequencyRuleMessage, 10},
    {0, 1, true, kVoltageMinRuleMessage, 0},
    {4, 5, true, kVoltageMinRuleMessage, 4},
    {3, 2, true, kVoltageMaxRuleMessage, 2},
    {7, 6, true, kVoltageMaxRuleMessage, 6},
}};

// The first of the six rules the words break (1..6), or 0 when all hold.
int BrokenRule(const ParameterWords& words);

// A word to write and the value it should get.
struct WordWrite {
    int word;
    std::uint16_t value;
};

// The order to write `writes` over `from` so that every state on the way keeps each rule
// that holds both before and after; false (and `writes` untouched) when no order does.
bool OrderKeepingRules(const ParameterWords& from, std::span<WordWrite> writes);

} // namespace kovrin
