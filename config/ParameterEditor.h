#pragma once
// The parameter editor of the "Basic" page as a toolkit-free model: the state of every
// control, the handlers that couple them, and the binding to record words 0..15.
// A view mirrors this model: it reads control states by id or resource name, forwards
// the user's input through the `User...` calls, and refreshes what TakeChanged() lists.
#include "config/ConfigRecord.h"
#include "config/DecimalText.h"
#include "config/EditorControls.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin {

// What a view shows for one control. Fields a kind does not use stay at their defaults.
struct ControlState {
    bool visible = true;
    bool enabled = true;
    int min = 0;        // scroll bars, up-downs
    int max = 0;
    int position = 0;
    std::string text;   // edits
    int itemIndex = 0;  // ComboBox1: index into kFrequencyItems
};

// Title of the validation message box.
inline constexpr std::string_view kValidationTitle = "Kovrin configurator";

struct ValidationResult {
    bool ok = true;
    int rule = 0;               // 1..6 when broken
    std::string_view message;   // the message box text when broken
    ControlId focus = ControlId::Edit1;  // the edit that gets the input focus when broken
    explicit operator bool() const { return ok; }
};

class ParameterEditor {
public:
    // The controls as the window's creation leaves them (User level, "50" selected).
    ParameterEditor();

    const ControlState& state(ControlId id) const { return controls_[index(id)]; }
    const ControlState& operator[](ControlId id) const { return state(id); }
    // By resource name; nullptr for a name the page does not have.
    const ControlState* state(std::string_view name) const;

    // --- record binding ---------------------------------------------------------------
    void ShowRecord(const ConfigRecord& record);
    // Words 0..15 from the controls; nothing else in the record changes.
    void StoreRecord(ConfigRecord& record) const;
    // The six rules on the numbers shown; always passes when another page is active.
    ValidationResult ValidateControls(std::string_view activePage = "TabSheet1") const;

    // --- the form's handlers ----------------------------------------------------------
    void ScrollBar1Change();
    void ScrollBar2Change();
    void ScrollBar3Change();
    void ScrollBar4Change();
    void UpDown17Click();
    void UpDown18Click();
    void ComboBox1Change();
    // "Load factory default": the record gets the defaults and is shown again.
    void Button1Click(ConfigRecord& record);

    // --- the user's input, as the toolkit delivers it ----------------------------------
    // A move that leaves a control where it was (after limiting to the range) is no move
    // and runs no handler.
    // Drag or click on a scroll bar: the position is limited to the range, then its
    // change handler runs.
    void UserMoveScrollBar(ControlId scrollBar, int position);
    // One click on an up-down arrow (+1 up, -1 down) within the range; the buddy follows
    // and the hysteresis up-downs run their click handler.
    void UserClickUpDown(ControlId upDown, int direction);
    // Arrow clicks until the up-down stands at `position` (limited to the range); the
    // hysteresis up-downs run their click handler.
    void UserMoveUpDown(ControlId upDown, int position);
    // A pick in ComboBox1's list (0 = "50", 1 = "60"), then ComboBox1Change.
    void UserSelectFrequency(int itemIndex);

    // --- what the program sets --------------------------------------------------------
    // Limited to the current range. A scroll bar whose position changes runs its change
    // handler; an up-down's buddy edit follows.
    void SetPosition(ControlId id, int position);
    // Minimum first, then maximum; the position is limited to the new range.
    void SetRange(ControlId id, int min, int max);
    void SetText(ControlId id, std::string text);
    // Selects without running ComboBox1Change.
    void SetItemIndex(int itemIndex);
    void SetVisible(ControlId id, bool visible);
    void SetEnabled(ControlId id, bool enabled);
    // The page's part of the window's ApplyAccessLevel: level 0 changes nothing; any
    // other level enables the blanking time and shows "Transfer mode" and the hysteresis.
    void ApplyAccessLevel(int level);

    // Derived settings, as the controls show them.
    int Frequency() const;    // 50 or 60, the item selected in ComboBox1
    int HysteresisA() const { return state(ControlId::UpDown17).position; }
    int HysteresisB() const { return state(ControlId::UpDown18).position; }

    // --- change tracking for views ----------------------------------------------------
    // Controls whose state changed since the last call, each once, in order of first change.
    std::vector<ControlId> TakeChanged();

private:
    static std::size_t index(ControlId id) { return static_cast<std::size_t>(id); }
    ControlState& mut(ControlId id);
    void runScrollBarChange(ControlId scrollBar);
    void recomputeReturnVoltages();
    void recomputeReturnVoltagesA();
    void recomputeReturnVoltagesB();

    std::array<ControlState, kControlCount> controls_;
    std::array<bool, kControlCount> dirty_{};
    std::vector<ControlId> changed_;
};

} // namespace kovrin
