#pragma once
// Names, descriptions and values of controls for screen readers (MSAA, and UI
// Automation through its MSAA proxy). A control given a name answers WM_GETOBJECT with
// the system's own accessible object for it, except that the name, the description and
// (when a unit is set) the value with its unit are this program's.
#include "app/win32/Win32Ui.h"

#include <memory>
#include <string>

namespace kovrin::win32 {

struct AccessibleText {
    std::string name;         // UTF-8
    std::string description;
    std::string unit;         // set: the value is told as "185 V"
};

// Names `control` from now on (once per control); the text can be changed later through
// the returned pointer, which lives as long as the control.
AccessibleText* NameControl(HWND control, AccessibleText text);

} // namespace kovrin::win32
