#pragma once
// What the "Compare with ATS" dialog shows: the parameters whose value on the switch
// differs from the value on screen, or "No differences"; a tick per parameter row and
// "Upload selected", which writes the ticked values on screen to the switch.
#include <string>
#include <vector>

namespace kovrin {

struct CompareRow {
    std::string parameter;
    std::string onScreen;
    std::string onSwitch;
    std::string unit;
    int word = -1;       // the parameter word; -1 for a derived setting (no tick)
    bool ticked = true;
};

struct CompareContent {
    std::string caption = "Compare with ATS";
    std::vector<std::string> headers{"Parameter", "On screen", "On ATS", "Unit"};
    std::vector<CompareRow> rows;  // empty: no differences
    std::string note;              // "No differences", or the number of differences
    std::string warning;           // the switch's ATS code is not the one on screen; else empty
    bool canUpload = false;        // some row has a tick
    std::string uploadButton = "Upload selected";
    std::string closeButton = "Close";
};

// What the user did in the dialog: "Upload selected" with the ticked rows' words, or Close.
struct CompareChoice {
    bool upload = false;
    std::vector<int> words;
};

inline constexpr const char* kNoDifferences = "No differences";

// The whole content as plain text, one row a line (a message box's, or a scripted run's
// standard error).
std::string CompareText(const CompareContent& content);

} // namespace kovrin
