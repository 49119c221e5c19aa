#pragma once
// The controls of the "Basic" page (TabSheet1) as the form defines them: one table that
// the editor model, a view mirroring it and the tools read names, kinds, parents, ranges
// and initial states from. Qt object names equal these resource names.
#include "config/Parameters.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kovrin {

enum class ControlKind : std::uint8_t { ScrollBar, UpDown, Edit, ComboBox, Label, GroupBox, Button };

// Every control of the page that the program reads or changes.
enum class ControlId : std::uint8_t {
    GroupBox24, GroupBox1, GroupBox2, GroupBox3, Button1,
    ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4,
    UpDown1, UpDown2, UpDown7, UpDown8, UpDown13, UpDown14, UpDown15, UpDown16, UpDown17, UpDown18,
    Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9, Edit10, Edit11, Edit12,
    Edit14, Edit15, Edit16, Edit17, Edit18, Edit19,
    ComboBox1,
    Label14, Label22, Label25,
    Count
};

constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::Count);

struct ControlInfo {
    ControlId id;
    std::string_view name;     // resource name
    ControlKind kind;
    std::string_view parent;   // group box (or "TabSheet1") it lies in
    std::string_view buddy;    // up-down: the edit that shows its position; else empty
    std::string_view caption;  // group boxes, labels, the button; else empty
    int min;                   // scroll bars and up-downs: range as the form defines it
    int max;
    int position;              // form value before the first ShowRecord
    bool visible;              // after window creation, at the User level
    bool enabled;
};

using CK = ControlKind;
using CI = ControlId;

// Ranges come from the parameter table (frequencies at 50 Hz). Positions of the up-downs
// whose form value is not given are the lower ends of their ranges; the page stays hidden
// until the first ShowRecord anyway.
inline constexpr std::array<ControlInfo, kControlCount> kEditorControls{{
    {CI::GroupBox24, "GroupBox24", CK::GroupBox, "TabSheet1", "", "Input A", 0, 0, 0, true, true},
    {CI::GroupBox1, "GroupBox1", CK::GroupBox, "TabSheet1", "", "Input B", 0, 0, 0, true, true},
    {CI::GroupBox2, "GroupBox2", CK::GroupBox, "TabSheet1", "", "General", 0, 0, 0, true, true},
    {CI::GroupBox3, "GroupBox3", CK::GroupBox, "TabSheet1", "", "Transfer mode", 0, 0, 0, false, true},
    {CI::Button1, "Button1", CK::Button, "TabSheet1", "", "Load factory default", 0, 0, 0, true, true},

    {CI::ScrollBar1, "ScrollBar1", CK::ScrollBar, "GroupBox24", "Edit3", "", kParameters[0].min, kParameters[0].max, kParameters[0].min, true, true},
    {CI::ScrollBar2, "ScrollBar2", CK::ScrollBar, "GroupBox24", "Edit4", "", kParameters[2].min, kParameters[2].max, kParameters[2].min, true, true},
    {CI::ScrollBar3, "ScrollBar3", CK::ScrollBar, "GroupBox1", "Edit9", "", kParameters[4].min, kParameters[4].max, kParameters[4].min, true, true},
    {CI::ScrollBar4, "ScrollBar4", CK::ScrollBar, "GroupBox1", "Edit10", "", kParameters[6].min, kParameters[6].max, kParameters[6].min, true, true},

    {CI::UpDown1, "UpDown1", CK::UpDown, "GroupBox24", "Edit1", "", kParameters[8].min, kParameters[8].max, kParameters[8].min, true, true},
    {CI::UpDown2, "UpDown2", CK::UpDown, "GroupBox24", "Edit2", "", kParameters[9].min, kParameters[9].max, kParameters[9].min, true, true},
    {CI::UpDown7, "UpDown7", CK::UpDown, "GroupBox1", "Edit7", "", kParameters[10].min, kParameters[10].max, kParameters[10].min, true, true},
    {CI::UpDown8, "UpDown8", CK::UpDown, "GroupBox1", "Edit8", "", kParameters[11].min, kParameters[11].max, kParameters[11].min, true, true},
    {CI::UpDown13, "UpDown13", CK::UpDown, "GroupBox2", "Edit19", "", kParameters[14].min, kParameters[14].max, kParameters[14].min, true, true},
    {CI::UpDown14, "UpDown14", CK::UpDown, "GroupBox3", "Edit14", "", kParameters[12].min, kParameters[12].max, kParameters[12].min, true, true},
    {CI::UpDown15, "UpDown15", CK::UpDown, "GroupBox3", "Edit15", "", kParameters[15].min, kParameters[15].max, kParameters[15].min, true, false},
    {CI::UpDown16, "UpDown16", CK::UpDown, "GroupBox3", "Edit16", "", kParameters[13].min, kParameters[13].max, kParameters[13].min, true, true},
    {CI::UpDown17, "UpDown17", CK::UpDown, "GroupBox24", "Edit17", "", kHysteresisMin, kHysteresisMax, 10, false, true},
    {CI::UpDown18, "UpDown18", CK::UpDown, "GroupBox1", "Edit18", "", kHysteresisMin, kHysteresisMax, 10, false, true},

    {CI::Edit1, "Edit1", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, true},
    {CI::Edit2, "Edit2", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, true},
    {CI::Edit3, "Edit3", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, true},
    {CI::Edit4, "Edit4", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, true},
    {CI::Edit5, "Edit5", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, false},
    {CI::Edit6, "Edit6", CK::Edit, "GroupBox24", "", "", 0, 0, 0, true, false},
    {CI::Edit7, "Edit7", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, true},
    {CI::Edit8, "Edit8", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, true},
    {CI::Edit9, "Edit9", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, true},
    {CI::Edit10, "Edit10", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, true},
    {CI::Edit11, "Edit11", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, false},
    {CI::Edit12, "Edit12", CK::Edit, "GroupBox1", "", "", 0, 0, 0, true, false},
    {CI::Edit14, "Edit14", CK::Edit, "GroupBox3", "", "", 0, 0, 0, true, true},
    {CI::Edit15, "Edit15", CK::Edit, "GroupBox3", "", "", 0, 0, 0, true, false},
    {CI::Edit16, "Edit16", CK::Edit, "GroupBox3", "", "", 0, 0, 0, true, true},
    {CI::Edit17, "Edit17", CK::Edit, "GroupBox24", "", "", 0, 0, 0, false, true},
    {CI::Edit18, "Edit18", CK::Edit, "GroupBox1", "", "", 0, 0, 0, false, true},
    {CI::Edit19, "Edit19", CK::Edit, "GroupBox2", "", "", 0, 0, 0, true, true},

    {CI::ComboBox1, "ComboBox1", CK::ComboBox, "GroupBox2", "", "", 0, 1, 0, true, true},

    {CI::Label14, "Label14", CK::Label, "GroupBox3", "", "Blanking time (1/64 of period)", 0, 0, 0, true, false},
    {CI::Label22, "Label22", CK::Label, "GroupBox24", "", "Histeresys (V)", 0, 0, 0, false, true},
    {CI::Label25, "Label25", CK::Label, "GroupBox1", "", "Histeresys (V)", 0, 0, 0, false, true},
}};

// The controls of one input group (Input A, Input B), top to bottom, as both pages lay
// them out.
struct InputGroupControls {
    ControlId group, sbMin, editSbMin, sbMax, editSbMax, returnMin, returnMax, hystLabel, hystEdit, hyst,
        freqMinEdit, freqMin, freqMaxEdit, freqMax;
};
inline constexpr InputGroupControls kInputA{ControlId::GroupBox24, ControlId::ScrollBar1, ControlId::Edit3,
                                            ControlId::ScrollBar2, ControlId::Edit4,      ControlId::Edit5,
                                            ControlId::Edit6,      ControlId::Label22,    ControlId::Edit17,
                                            ControlId::UpDown17,   ControlId::Edit1,      ControlId::UpDown1,
                                            ControlId::Edit2,      ControlId::UpDown2};
inline constexpr InputGroupControls kInputB{ControlId::GroupBox1, ControlId::ScrollBar3, ControlId::Edit9,
                                            ControlId::ScrollBar4, ControlId::Edit10,    ControlId::Edit11,
                                            ControlId::Edit12,     ControlId::Label25,   ControlId::Edit18,
                                            ControlId::UpDown18,   ControlId::Edit7,     ControlId::UpDown7,
                                            ControlId::Edit8,      ControlId::UpDown8};

// ComboBox1's items, by index.
inline constexpr std::array<std::string_view, 2> kFrequencyItems{"50", "60"};

constexpr bool ControlTableInOrder()
{
    for (std::size_t i = 0; i < kControlCount; ++i)
        if (static_cast<std::size_t>(kEditorControls[i].id) != i)
            return false;
    return true;
}
static_assert(ControlTableInOrder(), "kEditorControls must list the controls in ControlId order");

constexpr const ControlInfo& InfoOf(ControlId id) { return kEditorControls[static_cast<std::size_t>(id)]; }
constexpr std::string_view NameOf(ControlId id) { return InfoOf(id).name; }

// The control with this resource name, if the page has one.
constexpr std::optional<ControlId> FindControl(std::string_view name)
{
    for (const ControlInfo& c : kEditorControls)
        if (c.name == name)
            return c.id;
    return std::nullopt;
}

} // namespace kovrin
