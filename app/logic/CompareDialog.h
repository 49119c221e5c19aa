#pragma once
// What the "Compare with ATS" dialog shows: the parameters whose value on the switch
// differs from the value on screen, or "No differences".
#include <string>
#include <vector>

namespace kovrin {

struct CompareRow {
    std::string parameter;
    std::string onScreen;
    std::string onSwitch;
    std::string unit;
};

struct CompareContent {
    std::string caption = "Compare with ATS";
    std::vector<std::string> headers{"Parameter", "On screen", "On ATS", "Unit"};
    std::vector<CompareRow> rows;  // empty: no differences
    std::string note;              // "No differences", or the number of differences
    std::string warning;           // the switch's ATS code is not the one on screen; else empty
};

inline constexpr const char* kNoDifferences = "No differences";

// The whole content as plain text, one row a line (a message box's, or a scripted run's
// standard error).
std::string CompareText(const CompareContent& content);

} // namespace kovrin
