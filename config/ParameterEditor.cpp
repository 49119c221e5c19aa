#include "config/ParameterEditor.h"

#include "config/ParameterRules.h"

#include <algorithm>

namespace kovrin {
namespace {

using CI = ControlId;

// Record word -> the control that shows it (ShowRecord steps 2 and 3, StoreRecord).
struct WordBinding {
    int word;
    ControlId control;
};

constexpr WordBinding kScrollBarWords[] = {
    {0, CI::ScrollBar1}, {2, CI::ScrollBar2}, {4, CI::ScrollBar3}, {6, CI::ScrollBar4}};

constexpr WordBinding kUpDownWords[] = {
    {8, CI::UpDown1}, {9, CI::UpDown2}, {10, CI::UpDown7}, {11, CI::UpDown8},
    {12, CI::UpDown14}, {13, CI::UpDown16}, {14, CI::UpDown13}, {15, CI::UpDown15}};

constexpr WordBinding kReturnVoltageWords[] = {
    {1, CI::Edit5}, {3, CI::Edit6}, {5, CI::Edit11}, {7, CI::Edit12}};

// The frequency up-downs and the words they show.
constexpr WordBinding kFrequencyWords[] = {{8, CI::UpDown1}, {9, CI::UpDown2}, {10, CI::UpDown7}, {11, CI::UpDown8}};

const ParameterInfo& Info(int word) { return kParameters[static_cast<std::size_t>(word)]; }

ControlId DisplayOf(int word) { return FindControl(Info(word).display).value_or(CI::Edit1); }

// Up-down positions are signed 16-bit numbers.
int asPosition(long long value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value)); }

std::string number(int value) { return std::to_string(value); }

ControlId buddyOf(ControlId id)
{
    return FindControl(InfoOf(id).buddy).value_or(id);
}

} // namespace

ParameterEditor::ParameterEditor()
{
    for (const ControlInfo& info : kEditorControls) {
        ControlState& c = controls_[index(info.id)];
        c.visible = info.visible;
        c.enabled = info.enabled;
        c.min = info.min;
        c.max = info.max;
        c.position = info.position;
        c.itemIndex = info.kind == ControlKind::ComboBox ? info.position : 0;
    }
    for (const ControlInfo& info : kEditorControls)
        if (!info.buddy.empty())
            controls_[index(buddyOf(info.id))].text = number(info.position);
    recomputeReturnVoltages();
    TakeChanged();
}

const ControlState* ParameterEditor::state(std::string_view name) const
{
    const auto id = FindControl(name);
    return id ? &controls_[index(*id)] : nullptr;
}

ControlState& ParameterEditor::mut(ControlId id)
{
    const std::size_t i = index(id);
    if (!dirty_[i]) {
        dirty_[i] = true;
        changed_.push_back(id);
    }
    return controls_[i];
}

std::vector<ControlId> ParameterEditor::TakeChanged()
{
    std::vector<ControlId> out;
    out.swap(changed_);
    dirty_.fill(false);
    return out;
}

// --- what the program sets -----------------------------------------------------------

void ParameterEditor::SetPosition(ControlId id, int position)
{
    const ControlState& c = state(id);
    const int limited = std::clamp(position, std::min(c.min, c.max), std::max(c.min, c.max));
    const ControlKind kind = InfoOf(id).kind;
    if (kind == ControlKind::ScrollBar) {
        if (limited == c.position)
            return;
        mut(id).position = limited;
        runScrollBarChange(id);
        return;
    }
    if (kind != ControlKind::UpDown)
        return;
    if (limited != c.position)
        mut(id).position = limited;
    SetText(buddyOf(id), number(asPosition(limited)));
}

void ParameterEditor::SetRange(ControlId id, int min, int max)
{
    const ControlState& c = state(id);
    if (c.min != min || c.max != max) {
        ControlState& m = mut(id);
        m.min = min;
        m.max = max;
    }
    if (c.position < std::min(min, max) || c.position > std::max(min, max))
        SetPosition(id, c.position);
}

void ParameterEditor::SetText(ControlId id, std::string text)
{
    if (state(id).text != text)
        mut(id).text = std::move(text);
}

void ParameterEditor::SetItemIndex(int itemIndex)
{
    const int limited = std::clamp(itemIndex, 0, static_cast<int>(kFrequencyItems.size()) - 1);
    if (state(CI::ComboBox1).itemIndex != limited)
        mut(CI::ComboBox1).itemIndex = limited;
}

void ParameterEditor::SetVisible(ControlId id, bool visible)
{
    if (state(id).visible != visible)
        mut(id).visible = visible;
}

void ParameterEditor::SetEnabled(ControlId id, bool enabled)
{
    if (state(id).enabled != enabled)
        mut(id).enabled = enabled;
}

void ParameterEditor::ApplyAccessLevel(int level)
{
    if (level == 0)
        return;
    for (ControlId id : {CI::Label14, CI::Edit15, CI::UpDown15})
        SetEnabled(id, true);
    SetVisible(CI::GroupBox3, true);
    for (ControlId id : {CI::Label22, CI::Edit17, CI::UpDown17, CI::Label25, CI::Edit18, CI::UpDown18})
        SetVisible(id, true);
}

int ParameterEditor::Frequency() const
{
    return kFrequencyItems[static_cast<std::size_t>(state(CI::ComboBox1).itemIndex)] == "60" ? 60 : 50;
}

// --- handlers ------------------------------------------------------------------------

void ParameterEditor::recomputeReturnVoltagesA()
{
    SetText(CI::Edit5, number(ReturnVoltageFrom(Info(1), state(CI::ScrollBar1).position, HysteresisA())));
    SetText(CI::Edit6, number(ReturnVoltageFrom(Info(3), state(CI::ScrollBar2).position, HysteresisA())));
}

void ParameterEditor::recomputeReturnVoltagesB()
{
    SetText(CI::Edit11, number(ReturnVoltageFrom(Info(5), state(CI::ScrollBar3).position, HysteresisB())));
    SetText(CI::Edit12, number(ReturnVoltageFrom(Info(7), state(CI::ScrollBar4).position, HysteresisB())));
}

void ParameterEditor::recomputeReturnVoltages()
{
    recomputeReturnVoltagesA();
    recomputeReturnVoltagesB();
}

void ParameterEditor::runScrollBarChange(ControlId scrollBar)
{
    switch (scrollBar) {
    case CI::ScrollBar1: ScrollBar1Change(); break;
    case CI::ScrollBar2: ScrollBar2Change(); break;
    case CI::ScrollBar3: ScrollBar3Change(); break;
    case CI::ScrollBar4: ScrollBar4Change(); break;
    default: break;
    }
}

void ParameterEditor::ScrollBar1Change()
{
    SetText(CI::Edit3, number(state(CI::ScrollBar1).position));
    recomputeReturnVoltages();
}

void ParameterEditor::ScrollBar2Change()
{
    SetText(CI::Edit4, number(state(CI::ScrollBar2).position));
    recomputeReturnVoltages();
}

void ParameterEditor::ScrollBar3Change()
{
    SetText(CI::Edit9, number(state(CI::ScrollBar3).position));
    recomputeReturnVoltages();
}

void ParameterEditor::ScrollBar4Change()
{
    SetText(CI::Edit10, number(state(CI::ScrollBar4).position));
    recomputeReturnVoltages();
}

void ParameterEditor::UpDown17Click() { recomputeReturnVoltagesA(); }

void ParameterEditor::UpDown18Click() { recomputeReturnVoltagesB(); }

void ParameterEditor::ComboBox1Change()
{
    const int frequency = Frequency();
    for (const WordBinding& f : kFrequencyWords) {
        const ValueRange range = RangeAt(Info(f.word), frequency, {});
        SetRange(f.control, range.min, range.max);
        SetPosition(f.control, FrequencyPreset(Info(f.word), frequency));
    }
}

void ParameterEditor::Button1Click(ConfigRecord& record)
{
    SetItemIndex(0);
    ComboBox1Change();
    LoadFactoryDefaults(record);
    ShowRecord(record);
}

// --- the user's input ----------------------------------------------------------------

void ParameterEditor::UserMoveScrollBar(ControlId scrollBar, int position)
{
    if (InfoOf(scrollBar).kind != ControlKind::ScrollBar)
        return;
    // Its change handler runs only when the position really changes.
    SetPosition(scrollBar, position);
}

void ParameterEditor::UserMoveUpDown(ControlId upDown, int position)
{
    if (InfoOf(upDown).kind != ControlKind::UpDown)
        return;
    const int before = state(upDown).position;
    SetPosition(upDown, position);
    // Like a scroll bar, an up-down that stays where it was is not a move.
    if (state(upDown).position == before)
        return;
    if (upDown == CI::UpDown17)
        UpDown17Click();
    else if (upDown == CI::UpDown18)
        UpDown18Click();
}

void ParameterEditor::UserClickUpDown(ControlId upDown, int direction)
{
    if (InfoOf(upDown).kind != ControlKind::UpDown)
        return;
    const int step = direction > 0 ? 1 : direction < 0 ? -1 : 0;
    UserMoveUpDown(upDown, state(upDown).position + step);
}

void ParameterEditor::UserSelectFrequency(int itemIndex)
{
    SetItemIndex(itemIndex);
    ComboBox1Change();
}

// --- record binding ------------------------------------------------------------------

void ParameterEditor::ShowRecord(const ConfigRecord& record)
{
    for (const WordBinding& f : kFrequencyWords) {
        const ValueRange wide = WideRange(Info(f.word));
        SetRange(f.control, wide.min, wide.max);
    }
    for (const WordBinding& b : kScrollBarWords)
        SetPosition(b.control, record.word(b.word));
    for (const WordBinding& b : kUpDownWords)
        SetPosition(b.control, asPosition(record.word(b.word)));
    for (const WordBinding& b : kScrollBarWords)
        SetText(buddyOf(b.control), number(state(b.control).position));
    for (const WordBinding& b : kUpDownWords)
        SetText(buddyOf(b.control), number(state(b.control).position));
    for (const WordBinding& b : kReturnVoltageWords)
        SetText(b.control, number(record.word(b.word)));
    SetPosition(CI::UpDown17, asPosition(record.word(1) - state(CI::ScrollBar1).position));
    SetPosition(CI::UpDown18, asPosition(record.word(5) - state(CI::ScrollBar3).position));
    SetItemIndex(state(CI::UpDown1).position >= 51 ? 1 : 0);
}

void ParameterEditor::StoreRecord(ConfigRecord& record) const
{
    auto cut = [](long long v) { return static_cast<std::uint16_t>(v); };
    for (const WordBinding& b : kScrollBarWords)
        record.setWord(b.word, cut(state(b.control).position));
    for (const WordBinding& b : kReturnVoltageWords)
        record.setWord(b.word, cut(ParseDecimal(state(b.control).text)));
    for (const WordBinding& b : kUpDownWords)
        record.setWord(b.word, cut(state(b.control).position));
}

ValidationResult ParameterEditor::ValidateControls(std::string_view activePage) const
{
    if (activePage != "TabSheet1")
        return {};
    int n = 0;
    for (const ParameterRule& r : kParameterRules) {
        ++n;
        const long long left = ParseDecimal(state(DisplayOf(r.left)).text);
        const long long right = ParseDecimal(state(DisplayOf(r.right)).text);
        if (!r.holds(static_cast<long>(left), static_cast<long>(right)))
            return {false, n, r.message, DisplayOf(r.focusWord)};
    }
    return {};
}

} // namespace kovrin
