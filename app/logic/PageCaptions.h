#pragma once
// Captions of the "Basic" page's plain labels, the ones the program never touches
// (config/EditorControls.h has the others). UTF-8.
namespace kovrin::caption {

inline constexpr const char* VoltageThreshold = "Voltage threshold (V)";
inline constexpr const char* ReturnVoltage = "Return voltage (V)";
inline constexpr const char* FrequencyThreshold = "Frequency threshold (Hz)";
inline constexpr const char* Min = "Min";
inline constexpr const char* Max = "Max";
inline constexpr const char* Frequency = "Frequency (Hz)";
inline constexpr const char* Overload = "Overload threshold (%)";
inline constexpr const char* DisplacementAngle = "Maximum displacement angle (\u00b0)";
inline constexpr const char* BreakingTime = "Breaking time (ms)";

} // namespace kovrin::caption
