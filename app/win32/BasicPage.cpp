#include "app/win32/BasicPage.h"

#include "app/logic/ControlNames.h"
#include "app/logic/PageCaptions.h"
#include "app/win32/AccessibleNames.h"
#include "app/win32/WindowIds.h"
#include "config/ParameterEditor.h"

#include <string>

namespace kovrin::win32 {

namespace {

// Layout at 96 DPI, in page coordinates.
constexpr int kEditW = 50, kRowH = 21;
constexpr int kLeftX = 8, kLeftW = 284;
constexpr int kInputX = 302, kInputW = 476, kInputH = 232;
constexpr int kScrollPage = 5;  // a click beside the thumb


void RegisterPageClass()
{
    static const bool registered = (RegisterFormClass(kPageWindowClass), true);
    (void)registered;
}

} // namespace

BasicPage::BasicPage(HWND parent, RECT area, Dpi dpi, HFONT font, ParameterEditor& editor,
                     std::function<void()> loadFactoryDefault)
    : dpi_(dpi), font_(font), editor_(editor), loadFactoryDefault_(std::move(loadFactoryDefault))
{
    RegisterPageClass();
    page_ = ::CreateWindowExA(WS_EX_CONTROLPARENT, kPageWindowClass, "TabSheet1",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, area.left, area.top, area.right - area.left,
                              area.bottom - area.top, parent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowLongPtrA(page_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrA(page_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BasicPage::Proc));
    // Creation order is the Tab order: Input A, Input B, then the left column from
    // General down to "Load factory default".
    buildInput(ControlId::GroupBox24, kInputX, 6);
    buildInput(ControlId::GroupBox1, kInputX, 6 + kInputH + 8);
    buildLeftColumn();
    refreshAll();
}

BasicPage::~BasicPage()
{
    if (page_ != nullptr) {
        ::SetWindowLongPtrA(page_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
        ::DestroyWindow(page_);
    }
}

HWND BasicPage::label(const char* text, Box box, DWORD style, std::optional<ControlId> group)
{
    HWND w = Child(page_, "STATIC", text, WS_VISIBLE | SS_CENTERIMAGE | SS_NOPREFIX | style, box, -1, dpi_, font_);
    if (group)
        groupLabels_.emplace_back(w, *group);
    return w;
}

bool BasicPage::shown(ControlId id) const
{
    // The controls lie beside their group box, not in it: a hidden group hides them.
    const std::optional<ControlId> group = FindControl(InfoOf(id).parent);
    return editor_.state(id).visible && (!group || editor_.state(*group).visible);
}

void BasicPage::showIfChanged(HWND w, bool visible)
{
    const bool now = (::GetWindowLongPtrA(w, GWL_STYLE) & WS_VISIBLE) != 0;
    if (now != visible)
        ::ShowWindow(w, visible ? SW_SHOWNA : SW_HIDE);
}

HWND BasicPage::make(ControlId id, Box box)
{
    const ControlInfo& info = InfoOf(id);
    const int cid = ControlWindowId(id);
    HWND w = nullptr;
    switch (info.kind) {
    case ControlKind::ScrollBar:
        w = Child(page_, "SCROLLBAR", "", SBS_HORZ | WS_TABSTOP, box, cid, dpi_, font_);
        break;
    case ControlKind::UpDown: {
        // Placed over the right end of its buddy, which it narrows to make room.
        w = Child(page_, UPDOWN_CLASSA, "", UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, box, cid, dpi_, font_);
        if (const std::optional<ControlId> buddy = FindControl(info.buddy)) {
            HWND field = control(*buddy);
            ::SendMessageA(w, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field), 0);
            // The field takes the focus and its arrow keys step the value.
            ::SetWindowLongPtrA(field, GWL_STYLE, ::GetWindowLongPtrA(field, GWL_STYLE) | WS_TABSTOP);
        }
        break;
    }
    case ControlKind::Edit:
        // The user never types a number.
        w = Child(page_, "EDIT", "", ES_READONLY | ES_CENTER | ES_AUTOHSCROLL, box, cid, dpi_, font_,
                  WS_EX_CLIENTEDGE);
        break;
    case ControlKind::ComboBox:
        w = Child(page_, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, {box.x, box.y, box.w, 120}, cid,
                  dpi_, font_);
        for (std::string_view item : kFrequencyItems)
            ::SendMessageA(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(item).c_str()));
        break;
    case ControlKind::Label:
        w = Child(page_, "STATIC", info.caption, SS_CENTERIMAGE | SS_NOPREFIX, box, cid, dpi_, font_);
        break;
    case ControlKind::GroupBox:
        w = Child(page_, "BUTTON", info.caption, BS_GROUPBOX, box, cid, dpi_, font_);
        break;
    case ControlKind::Button:
        w = Child(page_, "BUTTON", info.caption, BS_PUSHBUTTON | WS_TABSTOP, box, cid, dpi_, font_);
        break;
    }
    controls_[std::size_t(id)] = w;
    // Named for screen readers after what it sets, not after the text placed before it.
    const ControlSpeech speech = SpeechOf(id);
    const bool number = info.kind == ControlKind::ScrollBar || info.kind == ControlKind::Edit;
    speech_[std::size_t(id)] = NameControl(w, {speech.name, {}, number ? speech.unit : std::string()});
    return w;
}

void BasicPage::buildLeftColumn()
{
    const int editX = kLeftX + kLeftW - 14 - kEditW;
    const int captionW = editX - kLeftX - 20;
    make(ControlId::GroupBox2, {kLeftX, 6, kLeftW, 84});
    label(caption::Frequency, {kLeftX + 14, 28, captionW, kRowH});
    make(ControlId::ComboBox1, {editX - 20, 28, kEditW + 20, kRowH});
    label(caption::Overload, {kLeftX + 14, 56, captionW, kRowH});
    make(ControlId::Edit19, {editX, 56, kEditW, kRowH});
    make(ControlId::UpDown13, {editX, 56, 0, kRowH});

    make(ControlId::GroupBox3, {kLeftX, 98, kLeftW, 114});
    make(ControlId::Label14, {kLeftX + 14, 120, captionW, kRowH});
    make(ControlId::Edit15, {editX, 120, kEditW, kRowH});
    make(ControlId::UpDown15, {editX, 120, 0, kRowH});
    label(caption::DisplacementAngle, {kLeftX + 14, 148, captionW, kRowH}, 0, ControlId::GroupBox3);
    make(ControlId::Edit14, {editX, 148, kEditW, kRowH});
    make(ControlId::UpDown14, {editX, 148, 0, kRowH});
    label(caption::BreakingTime, {kLeftX + 14, 176, captionW, kRowH}, 0, ControlId::GroupBox3);
    make(ControlId::Edit16, {editX, 176, kEditW, kRowH});
    make(ControlId::UpDown16, {editX, 176, 0, kRowH});

    make(ControlId::Button1, {kLeftX, 6 + 2 * kInputH + 8 - 25, 140, 25});
}

void BasicPage::buildInput(ControlId groupId, int x, int y)
{
    const InputGroupControls& c = groupId == ControlId::GroupBox24 ? kInputA : kInputB;
    const int right = x + kInputW - 16;       // right edge of the rows
    const int barX = x + 150;                 // scroll bars and their range ends
    const int maxEditX = right - kEditW;      // the "Max" column
    const int minEditX = maxEditX - 34 - kEditW;  // the "Min" column
    const int captionW = 200;
    make(groupId, {x, y, kInputW, kInputH - 6});

    label(caption::VoltageThreshold, {x + 12, y + 18, captionW, 16});
    // The range ends are the form's ranges of the two scroll bars.
    const ControlInfo& low = InfoOf(c.sbMin);
    const ControlInfo& high = InfoOf(c.sbMax);
    rangeEnds_.push_back(label(std::to_string(low.min).c_str(), {barX, y + 36, 40, 14}));
    rangeEnds_.push_back(label(std::to_string(low.max).c_str(), {right - 40, y + 36, 40, 14}, SS_RIGHT));
    label(caption::Min, {x + 24, y + 52, 30, kRowH});
    make(c.editSbMin, {x + 60, y + 52, kEditW, kRowH});
    make(c.sbMin, {barX, y + 54, right - barX, 17});
    label(caption::Max, {x + 24, y + 78, 30, kRowH});
    make(c.editSbMax, {x + 60, y + 78, kEditW, kRowH});
    make(c.sbMax, {barX, y + 80, right - barX, 17});
    rangeEnds_.push_back(label(std::to_string(high.min).c_str(), {barX, y + 99, 40, 14}));
    rangeEnds_.push_back(label(std::to_string(high.max).c_str(), {right - 40, y + 99, 40, 14}, SS_RIGHT));

    label(caption::ReturnVoltage, {x + 12, y + 120, captionW, kRowH});
    label(caption::Min, {minEditX - 30, y + 120, 26, kRowH}, SS_RIGHT);
    make(c.returnMin, {minEditX, y + 120, kEditW, kRowH});
    label(caption::Max, {maxEditX - 30, y + 120, 26, kRowH}, SS_RIGHT);
    make(c.returnMax, {maxEditX, y + 120, kEditW, kRowH});

    make(c.hystLabel, {x + 12, y + 148, captionW, kRowH});
    make(c.hystEdit, {maxEditX, y + 148, kEditW, kRowH});
    make(c.hyst, {maxEditX, y + 148, 0, kRowH});

    Child(page_, "STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, {x + 12, y + 180, kInputW - 24, 2}, -1, dpi_, font_);

    label(caption::FrequencyThreshold, {x + 12, y + 190, captionW, kRowH});
    label(caption::Min, {minEditX - 30, y + 190, 26, kRowH}, SS_RIGHT);
    make(c.freqMinEdit, {minEditX, y + 190, kEditW, kRowH});
    make(c.freqMin, {minEditX, y + 190, 0, kRowH});
    label(caption::Max, {maxEditX - 30, y + 190, 26, kRowH}, SS_RIGHT);
    make(c.freqMaxEdit, {maxEditX, y + 190, kEditW, kRowH});
    make(c.freqMax, {maxEditX, y + 190, 0, kRowH});
}

void BasicPage::refresh(ControlId id)
{
    HWND w = control(id);
    const ControlState& s = editor_.state(id);
    switch (InfoOf(id).kind) {
    case ControlKind::ScrollBar: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_POS;
        si.nMin = s.min;
        si.nMax = s.max;
        si.nPos = s.position;
        ::SetScrollInfo(w, SB_CTL, &si, TRUE);
        break;
    }
    case ControlKind::UpDown:
        ::SendMessageA(w, UDM_SETRANGE32, WPARAM(s.min), LPARAM(s.max));
        ::SendMessageA(w, UDM_SETPOS32, 0, LPARAM(s.position));
        break;
    case ControlKind::Edit:
        SetWindowTextIfChanged(w, s.text);
        break;
    case ControlKind::ComboBox:
        ::SendMessageA(w, CB_SETCURSEL, WPARAM(s.itemIndex), 0);
        break;
    default:
        break;
    }
    describe(id);
    if (InfoOf(id).kind == ControlKind::UpDown || InfoOf(id).kind == ControlKind::ScrollBar)
        if (const std::optional<ControlId> buddy = FindControl(InfoOf(id).buddy))
            describe(*buddy);
    if (bool(::IsWindowEnabled(w)) != s.enabled)
        ::EnableWindow(w, s.enabled);
    showIfChanged(w, shown(id));
    if (InfoOf(id).kind != ControlKind::GroupBox)
        return;
    for (const ControlInfo& member : kEditorControls)
        if (member.parent == InfoOf(id).name)
            showIfChanged(control(member.id), shown(member.id));
    for (const auto& [labelWindow, group] : groupLabels_)
        if (group == id)
            showIfChanged(labelWindow, s.visible);
}

void BasicPage::describe(ControlId id)
{
    const ControlSpeech speech = SpeechOf(id);
    const ControlState& range = editor_.state(speech.rangeOf);
    speech_[std::size_t(id)]->description = RangeDescription(speech, speech.fixedRange ? speech.min : range.min,
                                                             speech.fixedRange ? speech.max : range.max);
}

void BasicPage::refreshChanged()
{
    for (ControlId id : editor_.TakeChanged())
        refresh(id);
}

void BasicPage::refreshAll()
{
    editor_.TakeChanged();
    for (const ControlInfo& c : kEditorControls)
        refresh(c.id);
}

std::optional<ControlId> BasicPage::idOf(HWND control) const
{
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] == control && control != nullptr)
            return ControlId(i);
    return std::nullopt;
}

void BasicPage::scrolled(HWND scrollBar, int code)
{
    const std::optional<ControlId> id = idOf(scrollBar);
    if (!id || InfoOf(*id).kind != ControlKind::ScrollBar)
        return;
    const ControlState& s = editor_.state(*id);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_TRACKPOS;
    ::GetScrollInfo(scrollBar, SB_CTL, &si);
    int position = s.position;
    switch (code) {
    case SB_LINELEFT: position -= 1; break;
    case SB_LINERIGHT: position += 1; break;
    case SB_PAGELEFT: position -= kScrollPage; break;
    case SB_PAGERIGHT: position += kScrollPage; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = si.nTrackPos; break;
    case SB_LEFT: position = s.min; break;
    case SB_RIGHT: position = s.max; break;
    default: return;  // SB_ENDSCROLL
    }
    if (position == s.position)
        return;
    editor_.UserMoveScrollBar(*id, position);
    refreshChanged();
}

LRESULT CALLBACK BasicPage::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<BasicPage*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr)
        return ::DefWindowProcA(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT BasicPage::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HSCROLL:
        scrolled(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code != UDN_DELTAPOS)
            break;
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
        if (const std::optional<ControlId> id = idOf(header->hwndFrom); id && change->iDelta != 0) {
            editor_.UserClickUpDown(*id, change->iDelta > 0 ? 1 : -1);
            refreshChanged();
        }
        return TRUE;  // the model has moved the control already
    }
    case WM_COMMAND: {
        const std::optional<ControlId> id = idOf(reinterpret_cast<HWND>(lParam));
        if (id == ControlId::ComboBox1 && HIWORD(wParam) == CBN_SELCHANGE) {
            const LRESULT index = ::SendMessageA(control(ControlId::ComboBox1), CB_GETCURSEL, 0, 0);
            if (index >= 0) {
                editor_.UserSelectFrequency(int(index));
                refreshChanged();
            }
            return 0;
        }
        if (id == ControlId::Button1 && HIWORD(wParam) == BN_CLICKED) {
            if (loadFactoryDefault_)
                loadFactoryDefault_();
            refreshChanged();
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC: {
        // Range ends are written in the grey of disabled text, as in the form.
        const HWND control = reinterpret_cast<HWND>(lParam);
        for (HWND end : rangeEnds_)
            if (end == control) {
                const HDC dc = reinterpret_cast<HDC>(wParam);
                ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
            }
        break;
    }
    default:
        break;
    }
    return ::DefWindowProcA(page_, message, wParam, lParam);
}

} // namespace kovrin::win32
