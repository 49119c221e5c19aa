#pragma once
// Metadata of the 16 parameter words: the one table the editor, the tools and the
// tests read names, units, controls, ranges and defaults from.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kovrin {

struct ParameterInfo {
    int word;
    std::string_view name;     // e.g. "VoltageMinA"
    std::string_view meaning;
    std::string_view unit;     // "V", "Hz", "degrees", "ms", "%", "1/64 period"
    std::string_view control;  // editor control that sets it ("ScrollBar1", "UpDown13", or the computed edit)
    std::string_view display;  // edit that shows it
    int min;                   // editor range: frequencies at 50 Hz; computed words the ends
    int max;                   // any threshold within its range can give
    std::uint16_t factoryDefault;
    // Computed return voltages: the threshold word they follow and the offsets from it
    // (the hysteresis, 2..20 V, added to a minimum or taken from a maximum).
    int baseWord = -1;
    int offsetMin = 0;
    int offsetMax = 0;
    // Frequency thresholds: the range at 60 Hz, and the wide range that holds after a
    // record is shown until a nominal frequency is picked.
    int min60 = 0;
    int max60 = 0;
    int wideMin = 0;
    int wideMax = 0;

    bool computed() const { return baseWord >= 0; }
    bool frequency() const { return wideMax != 0; }
};

inline constexpr std::array<ParameterInfo, 16> kParameters{{
    {0, "VoltageMinA", "Input A voltage threshold, minimum", "V", "ScrollBar1", "Edit3", 180, 200, 180},
    {1, "ReturnVoltageMinA", "Input A return voltage, minimum", "V", "Edit5", "Edit5", 182, 220, 190, 0, 2, 20},
    {2, "VoltageMaxA", "Input A voltage threshold, maximum", "V", "ScrollBar2", "Edit4", 230, 264, 258},
    {3, "ReturnVoltageMaxA", "Input A return voltage, maximum", "V", "Edit6", "Edit6", 210, 262, 248, 2, -20, -2},
    {4, "VoltageMinB", "Input B voltage threshold, minimum", "V", "ScrollBar3", "Edit9", 180, 200, 180},
    {5, "ReturnVoltageMinB", "Input B return voltage, minimum", "V", "Edit11", "Edit11", 182, 220, 190, 4, 2, 20},
    {6, "VoltageMaxB", "Input B voltage threshold, maximum", "V", "ScrollBar4", "Edit10", 230, 264, 258},
    {7, "ReturnVoltageMaxB", "Input B return voltage, maximum", "V", "Edit12", "Edit12", 210, 262, 248, 6, -20, -2},
    {8, "FrequencyMinA", "Input A frequency threshold, minimum", "Hz", "UpDown1", "Edit1", 45, 50, 45, -1, 0, 0, 55, 60, 40, 80},
    {9, "FrequencyMaxA", "Input A frequency threshold, maximum", "Hz", "UpDown2", "Edit2", 50, 55, 55, -1, 0, 0, 60, 65, 40, 85},
    {10, "FrequencyMinB", "Input B frequency threshold, minimum", "Hz", "UpDown7", "Edit7", 45, 50, 45, -1, 0, 0, 55, 60, 40, 80},
    {11, "FrequencyMaxB", "Input B frequency threshold, maximum", "Hz", "UpDown8", "Edit8", 50, 55, 55, -1, 0, 0, 60, 65, 40, 85},
    {12, "MaxDisplacementAngle", "maximum displacement angle", "degrees", "UpDown14", "Edit14", 0, 180, 4},
    {13, "BreakingTime", "breaking time", "ms", "UpDown16", "Edit16", 0, 10, 2},
    {14, "OverloadThreshold", "overload threshold", "%", "UpDown13", "Edit19", 60, 103, 103},
    {15, "BlankingTime", "blanking time", "1/64 of the mains period", "UpDown15", "Edit15", 4, 64, 4},
}};

// Hysteresis range of both inputs (UpDown17, UpDown18), volts.
inline constexpr int kHysteresisMin = 2;
inline constexpr int kHysteresisMax = 20;

// The parameter with this name, if any.
constexpr std::optional<ParameterInfo> FindParameter(std::string_view name)
{
    for (const ParameterInfo& p : kParameters)
        if (p.name == name)
            return p;
    return std::nullopt;
}

} // namespace kovrin
