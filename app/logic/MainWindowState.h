#pragma once
// Everything the main window shows that the logic decides: the view renders this
// and nothing else; the page's controls (including what the access level unlocks)
// come from the editor model, FormConfigLogic::editor().
#include "app/logic/Actions.h"
#include "config/ConfigRecord.h"

#include <array>
#include <string>
#include <string_view>

namespace kovrin {

struct ActionState {
    bool enabled = true;
    bool checked = false;
    std::string hint;  // status tip and tool tip; empty: the action's hint from its table
};

// One zone of the status bar as a view shows it: its text and the one picture beside it.
struct StatusZone {
    std::string_view text;
    std::string_view picture;  // "ImageGreen", ...; empty: none
};

// The three zones of the status bar (Panel2). In each zone at most one image shows.
struct StatusBarState {
    std::string labelStatus;     // LabelStatus
    bool imageGreen = false;     // ImageGreen
    bool imageRed = false;       // ImageRed
    std::string labelAccess;     // LabelAccess
    bool imageKeyUser = false;   // ImageKeyUser
    bool imageKeyService = false;// ImageKeyService
    std::string labelFile;       // LabelFile
    bool imageUps = false;       // ImageUPS
    bool imageFile = false;      // ImageFile

    // The zones left to right, as {text, picture} pairs.
    std::array<StatusZone, 3> zones() const
    {
        auto pick = [](bool first, std::string_view a, bool second, std::string_view b) {
            return first ? a : second ? b : std::string_view();
        };
        return {{{labelStatus, pick(imageGreen, "ImageGreen", imageRed, "ImageRed")},
                 {labelAccess, pick(imageKeyUser, "ImageKeyUser", imageKeyService, "ImageKeyService")},
                 {labelFile, pick(imageUps, "ImageUPS", imageFile, "ImageFile")}}};
    }
};

struct MainWindowState {
    std::string caption;                              // window caption
    std::array<ActionState, kActionCount> actions{};  // indexed by index(ActionId)
    StatusBarState status;
    bool pageVisible = false;                         // PageControl1

    const ActionState& action(ActionId id) const { return actions[index(id)]; }
    ActionState& action(ActionId id) { return actions[index(id)]; }
};

} // namespace kovrin
