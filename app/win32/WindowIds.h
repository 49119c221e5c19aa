#pragma once
// Window classes and control identifiers of the Win32 view, for the forms and for the
// programs that drive the real window through its messages.
#include "app/logic/Actions.h"
#include "config/EditorControls.h"

namespace kovrin::win32 {

inline constexpr const char* kMainWindowClass = "TFormConfig";
inline constexpr const char* kProgressWindowClass = "TFormProgress";
inline constexpr const char* kPageWindowClass = "TTabSheet";

// WM_COMMAND identifiers of the actions (menus and toolbar).
inline constexpr int kActionCommandBase = 100;
constexpr int CommandId(ActionId id) { return kActionCommandBase + int(index(id)); }

// Child identifiers of the "Basic" page's controls (GetDlgItem on the page).
inline constexpr int kControlIdBase = 1000;
constexpr int ControlWindowId(ControlId id) { return kControlIdBase + int(id); }

// Children of the main window.
inline constexpr int kToolBarId = 10;
inline constexpr int kPageControlId = 11;
inline constexpr int kStatusBarId = 12;

// Children of the dialogs.
inline constexpr int kProgressLabelId = 20;  // Label1
inline constexpr int kProgressBarId = 21;    // ProgressBar1
inline constexpr int kPasswordEditId = 30;   // EditPassword
inline constexpr int kPropertiesFirstEditId = 40;  // one per kPropertiesFields entry, in order
inline constexpr int kCompareListId = 70;     // the table of differences
inline constexpr int kCompareNoteId = 71;     // "No differences", or how many differ
inline constexpr int kCompareWarningId = 72;  // another switch's ATS code
inline constexpr int kCompareUploadId = 73;   // "Upload selected"
inline constexpr int kNetworkPortComboId = 80;  // the network port name, with the last ones used

} // namespace kovrin::win32
