#pragma once
// What assistive technology says about each control of the "Basic" page: a name of its
// own (the meaning of the parameter it sets or shows), a description with the unit and
// range, and the value with its unit. All of it is read from the parameter and control
// tables, so a new parameter is named where it is defined.
#include "config/EditorControls.h"

#include <string>

namespace kovrin {

struct ControlSpeech {
    std::string name;         // "Input A voltage threshold, minimum"
    std::string unit;         // "V"; empty for controls without a number
    ControlId rangeOf;        // the control whose range bounds the value (itself, or the
                              // scroll bar or up-down an edit shows)
    bool fixedRange = false;  // computed words: the range below, not a control's
    int min = 0;
    int max = 0;
};

ControlSpeech SpeechOf(ControlId id);

// "V, 180 to 200"; empty for a control without a unit.
std::string RangeDescription(const ControlSpeech& speech, int min, int max);

// "185 V".
std::string ValueWithUnit(const ControlSpeech& speech, const std::string& value);

// What a status-bar picture means ("Connected", "User level"); empty for other names.
std::string_view PictureMeaning(std::string_view picture);

} // namespace kovrin
