#pragma once
// Names, descriptions and values of controls for screen readers (MSAA, and UI
// Automation through its MSAA proxy). A control given a name answers WM_GETOBJECT with
// the system's own accessible object for it, except that the name, the description and
// (when a unit is set) the value with its unit are this program's.
#include "app/win32/Win32Ui.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovrin::win32 {

// A part of a control that has no window of its own (a picture or a text of a status
// bar zone), told as one of the control's simple children.
struct AccessibleChild {
    std::string name;  // UTF-8
    long role = 0;     // ROLE_SYSTEM_...
    RECT area{};       // in the control's client coordinates
};

struct AccessibleText {
    std::string name;         // UTF-8; empty: the system's
    std::string description;
    std::string unit;         // set: the value is told as "185 V"
};

// The children of a control as they are now, told in place of the system's.
using AccessibleChildren = std::function<std::vector<AccessibleChild>()>;

// Names `control` from now on (once per control); the text can be changed later through
// the returned pointer, which lives as long as the control.
AccessibleText* NameControl(HWND control, AccessibleText text, AccessibleChildren children = {});

} // namespace kovrin::win32
