// The Win32 window driven through its own messages (menu and toolbar commands, scroll
// bar and up-down input) and read back from its controls, under Wine on a virtual display.
#include "app/win32/LomarForm.h"
#include "app/win32/WindowIds.h"
#include "app/logic/ControlNames.h"
#include "app/logic/WindowTexts.h"
#include "config/ParameterEditor.h"

#include <gtest/gtest.h>
#include <oleacc.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kovrin::win32 {
namespace {

// The dialogs answered as a technician would: no saving, yes to uploading, a password
// when the test gives one.
class RecordingForm : public TFormConfig {
public:
    using TFormConfig::TFormConfig;
    std::vector<std::string> messages;
    std::optional<std::string> password;

    MessageResult showMessage(const MessageBoxSpec& box) override
    {
        messages.push_back(box.text);
        if (box.buttons == MessageButtons::Ok)
            return MessageResult::Ok;
        return box.text == text::kSaveQuestion ? MessageResult::No : MessageResult::Yes;
    }
    std::optional<std::string> runOpenDialog(const FileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> runSaveDialog(const FileDialogSpec&) override { return std::nullopt; }
    std::optional<std::string> runPasswordDialog(const PasswordDialogTexts&) override { return password; }
};

class WindowWiringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        WindowEnvironment environment;
        environment.programFolder = ".\\";
        form = std::make_unique<RecordingForm>(std::move(environment));
        form->show();
    }

    void command(ActionId id) { ::SendMessageA(form->window(), WM_COMMAND, MAKEWPARAM(CommandId(id), 0), 0); }
    HWND control(ControlId id) const { return ::GetDlgItem(form->page().window(), ControlWindowId(id)); }
    std::string text(ControlId id) const { return WindowText(control(id)); }
    bool shown(ControlId id) const { return ::IsWindowVisible(control(id)) != FALSE; }
    bool toolButtonEnabled(ActionId id) const
    {
        return ::SendMessageA(form->bars().toolBar(), TB_ISBUTTONENABLED, CommandId(id), 0) != 0;
    }
    void scroll(ControlId bar, int code)
    {
        ::SendMessageA(form->page().window(), WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(control(bar)));
    }
    // A click on the upper arrow of an up-down control, as the mouse gives it.
    void clickUp(ControlId upDown)
    {
        RECT r{};
        ::GetClientRect(control(upDown), &r);
        const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 4);
        ::SendMessageA(control(upDown), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(control(upDown), WM_LBUTTONUP, 0, at);
    }

    std::unique_ptr<RecordingForm> form;
};

TEST_F(WindowWiringTest, EveryPageControlShowsTheModelWithItsRangeAndBuddy)
{
    command(ActionId::New);
    ASSERT_TRUE(::IsWindowVisible(form->pageControl()));
    const ParameterEditor& editor = form->logic().editor();
    for (const ControlInfo& info : kEditorControls) {
        HWND w = control(info.id);
        ASSERT_NE(w, nullptr) << info.name;
        const ControlState& s = editor.state(info.id);
        switch (info.kind) {
        case ControlKind::ScrollBar: {
            SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
            ::GetScrollInfo(w, SB_CTL, &si);
            EXPECT_EQ(si.nMin, s.min) << info.name;
            EXPECT_EQ(si.nMax, s.max) << info.name;
            EXPECT_EQ(si.nPos, s.position) << info.name;
            break;
        }
        case ControlKind::UpDown: {
            int low = 0, high = 0;
            ::SendMessageA(w, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
            EXPECT_EQ(low, s.min) << info.name;
            EXPECT_EQ(high, s.max) << info.name;
            EXPECT_EQ(::SendMessageA(w, UDM_GETPOS32, 0, 0), s.position) << info.name;
            EXPECT_EQ(reinterpret_cast<HWND>(::SendMessageA(w, UDM_GETBUDDY, 0, 0)), control(*FindControl(info.buddy)))
                << info.name;
            break;
        }
        case ControlKind::Edit:
            EXPECT_EQ(WindowText(w), s.text) << info.name;
            EXPECT_NE(::GetWindowLongPtrA(w, GWL_STYLE) & ES_READONLY, 0) << info.name;
            break;
        case ControlKind::ComboBox:
            EXPECT_EQ(::SendMessageA(w, CB_GETCURSEL, 0, 0), s.itemIndex);
            break;
        default:
            break;
        }
        EXPECT_EQ(::IsWindowEnabled(w) != FALSE, s.enabled) << info.name;
    }
}

// What a screen reader asks each control: its own name (not the text placed before it,
// nor its group's title), and for numbers the value with its unit.
TEST_F(WindowWiringTest, ScreenReadersGetEachPageControlsNameAndValue)
{
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    command(ActionId::New);
    auto narrow = [](BSTR b) {
        std::string out;
        for (UINT i = 0; b != nullptr && i < ::SysStringLen(b); ++i)
            out += char(b[i]);
        ::SysFreeString(b);
        return out;
    };
    int named = 0;
    for (const ControlInfo& info : kEditorControls) {
        if (info.kind == ControlKind::Label || info.kind == ControlKind::GroupBox)
            continue;
        IAccessible* object = nullptr;
        ASSERT_TRUE(SUCCEEDED(::AccessibleObjectFromWindow(control(info.id), OBJID_CLIENT, __uuidof(IAccessible),
                                                           reinterpret_cast<void**>(&object))))
            << info.name;
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr, value = nullptr;
        object->get_accName(self, &name);
        const std::string spoken = narrow(name);
        EXPECT_EQ(spoken, SpeechOf(info.id).name) << info.name;
        if (const std::optional<ControlId> group = FindControl(info.parent)) {
            EXPECT_NE(spoken, InfoOf(*group).caption) << info.name;
        }
        named += spoken == SpeechOf(info.id).name;
        if (info.kind == ControlKind::ScrollBar) {
            object->get_accValue(self, &value);
            EXPECT_EQ(narrow(value), std::to_string(form->logic().editor().state(info.id).position) + " V") << info.name;
        }
        object->Release();
    }
    EXPECT_GT(named, 30);

    // The status bar tells its pictures by their meaning and each zone's whole text.
    IAccessible* bar = nullptr;
    ASSERT_TRUE(SUCCEEDED(::AccessibleObjectFromWindow(form->status().window(), OBJID_CLIENT, __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&bar))));
    long count = 0;
    bar->get_accChildCount(&count);
    std::vector<std::string> pictures, texts;
    for (long i = 1; i <= count; ++i) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = i;
        BSTR name = nullptr;
        VARIANT role{};
        bar->get_accName(child, &name);
        bar->get_accRole(child, &role);
        (role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_GRAPHIC ? pictures : texts).push_back(narrow(name));
    }
    bar->Release();
    EXPECT_EQ(pictures, (std::vector<std::string>{"Not connected", "User level"}));
    EXPECT_EQ(texts, (std::vector<std::string>{form->status().label(0), form->status().label(1),
                                               form->status().label(2)}));
    ::CoUninitialize();
}

// A menu picture is of the menu's size, not the toolbar's, and drawn over the row as the
// menu painted it: on a highlighted row its clear pixels show the highlight.
TEST_F(WindowWiringTest, MenuPicturesAreMenuSizedAndClearOnAHighlightedRow)
{
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = UINT(CommandId(ActionId::Connect));
    ASSERT_EQ(::SendMessageA(form->window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_EQ(measure.itemWidth, measure.itemHeight);
    EXPECT_LT(measure.itemWidth, UINT(MulDiv(24, int(DpiOf(form->window()).dpi), 96)));

    const int size = int(measure.itemWidth);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof format.bmiHeader, size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HBITMAP row = ::CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(dc, row);
    const RECT area{0, 0, size, size};
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = measure.itemID;
    draw.itemState = ODS_SELECTED;
    draw.hDC = dc;
    draw.rcItem = area;
    EXPECT_EQ(::SendMessageA(form->window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    ::GdiFlush();
    const COLORREF h = ::GetSysColor(COLOR_HIGHLIGHT);
    const std::uint32_t highlight = std::uint32_t(GetBValue(h)) | std::uint32_t(GetGValue(h)) << 8 |
                                    std::uint32_t(GetRValue(h)) << 16;
    int shown = 0;
    for (int i = 0; i < size * size; ++i)
        shown += (static_cast<const std::uint32_t*>(bits)[i] & 0xFFFFFFu) == highlight;
    EXPECT_GT(shown, 0);            // the clear pixels
    EXPECT_LT(shown, size * size);  // the picture
    ::SelectObject(dc, old);
    ::DeleteObject(row);
    ::DeleteDC(dc);
}

TEST_F(WindowWiringTest, ScrollBarsUpDownsAndTheFrequencyListMoveTheModel)
{
    command(ActionId::New);
    const int before = std::atoi(text(ControlId::Edit4).c_str());
    scroll(ControlId::ScrollBar2, SB_LINERIGHT);
    EXPECT_EQ(text(ControlId::Edit4), std::to_string(before + 1));
    // The return voltage follows the threshold with the hidden hysteresis (10).
    EXPECT_EQ(text(ControlId::Edit6), std::to_string(before + 1 - 10));
    scroll(ControlId::ScrollBar2, SB_RIGHT);
    EXPECT_EQ(text(ControlId::Edit4), "264");

    const int frequency = std::atoi(text(ControlId::Edit1).c_str());
    clickUp(ControlId::UpDown1);
    EXPECT_EQ(text(ControlId::Edit1), std::to_string(frequency + 1));

    ::SendMessageA(control(ControlId::ComboBox1), CB_SETCURSEL, 1, 0);
    ::SendMessageA(form->page().window(), WM_COMMAND, MAKEWPARAM(ControlWindowId(ControlId::ComboBox1), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(control(ControlId::ComboBox1)));
    EXPECT_EQ(text(ControlId::Edit1), "55");
    EXPECT_EQ(text(ControlId::Edit8), "65");
}

TEST_F(WindowWiringTest, ServiceLevelShowsTheHysteresisAndTheTransferMode)
{
    command(ActionId::New);
    const ControlId unlocked[] = {ControlId::GroupBox3, ControlId::Edit14, ControlId::Edit15, ControlId::Edit16,
                                  ControlId::Label22, ControlId::Edit17, ControlId::UpDown17,
                                  ControlId::Label25, ControlId::Edit18, ControlId::UpDown18};
    for (ControlId id : unlocked)
        EXPECT_FALSE(shown(id)) << NameOf(id);

    form->password = "tovel_marsk";
    command(ActionId::ServicePassword);
    for (ControlId id : unlocked)
        EXPECT_TRUE(shown(id)) << NameOf(id);
    EXPECT_TRUE(::IsWindowEnabled(control(ControlId::Edit15)));
    EXPECT_EQ(form->status().label(1), "Service");
    EXPECT_EQ(form->status().image(1), "ImageKeyService");
}

TEST_F(WindowWiringTest, MovingToADoubleDpiScreenRebuildsTheFrameTwiceAsLarge)
{
    command(ActionId::New);
    scroll(ControlId::ScrollBar1, SB_LINERIGHT);
    const std::string moved = text(ControlId::Edit3);
    RECT before{};
    ::GetWindowRect(control(ControlId::Button1), &before);
    RECT suggested{0, 0, 1700, 1300};
    ::SendMessageA(form->window(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    RECT after{};
    ::GetWindowRect(control(ControlId::Button1), &after);
    EXPECT_EQ(after.right - after.left, 2 * (before.right - before.left));
    EXPECT_EQ(text(ControlId::Edit3), moved);
    EXPECT_TRUE(::IsWindowVisible(form->pageControl()));
    EXPECT_EQ(form->status().label(0), "Disconnect");
}

TEST_F(WindowWiringTest, TheFramesOuterSizeFollowsTheDpi)
{
    auto outer = [this] {
        RECT r{};
        ::GetWindowRect(form->window(), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    const SIZE at96 = outer();
    RECT suggested{0, 0, 1300, 1000};
    ::SendMessageA(form->window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    const SIZE at144 = outer();
    // The form itself scales by 1.5 (801 x 607 to 1202 x 911); the frame around it is
    // measured at 144 DPI too: its caption grows rather than keeping its 96 DPI height.
    EXPECT_GE(at144.cx, 1202);
    EXPECT_GT(at144.cy - 911, at96.cy - 607);
}

// Tab and Shift+Tab as the message loop hands them to the dialog keys.
TEST_F(WindowWiringTest, TabWalksThePageInReadingOrderAndBack)
{
    command(ActionId::New);
    const ControlId order[] = {
        ControlId::ScrollBar1, ControlId::ScrollBar2, ControlId::Edit1, ControlId::Edit2,  // Input A
        ControlId::ScrollBar3, ControlId::ScrollBar4, ControlId::Edit7, ControlId::Edit8,  // Input B
        ControlId::ComboBox1, ControlId::Edit19,                                           // General
        ControlId::Button1,
    };
    auto key = [this](bool shift) {
        BYTE keys[256]{};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        MSG message{::GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(::IsDialogMessageA(form->window(), &message));
    };
    ::SetFocus(control(order[0]));
    for (std::size_t i = 1; i <= std::size(order); ++i) {
        key(false);
        EXPECT_EQ(::GetFocus(), control(order[i % std::size(order)])) << "Tab " << i;
    }
    key(true);
    EXPECT_EQ(::GetFocus(), control(order[std::size(order) - 1]));
}

// On any screen (small_screen.sh runs this on 1366x768 at 125 %): the frame lies in the
// work area, and Tab brings "Load factory default" into view, where the space bar presses it.
TEST_F(WindowWiringTest, TheFrameFitsTheWorkAreaAndTabReachesTheLastButton)
{
    command(ActionId::New);
    const int factoryMax = std::atoi(text(ControlId::Edit4).c_str());
    scroll(ControlId::ScrollBar2, SB_LINELEFT);
    ASSERT_NE(std::atoi(text(ControlId::Edit4).c_str()), factoryMax);
    RECT frame{}, work = WorkAreaOf(form->window());
    ::GetWindowRect(form->window(), &frame);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << "frame " << frame.right - frame.left << "x" << frame.bottom - frame.top << " at (" << frame.left << ","
        << frame.top << "), work area " << work.right - work.left << "x" << work.bottom - work.top;
    ::SetFocus(control(ControlId::ScrollBar1));
    for (int i = 0; i < 20 && ::GetFocus() != control(ControlId::Button1); ++i) {
        MSG message{::GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ::IsDialogMessageA(form->window(), &message);
        form->revealFocus();  // as the message loop does after each dialog key
    }
    ASSERT_EQ(::GetFocus(), control(ControlId::Button1));
    // Wholly inside the window's client area, above the status bar.
    RECT button{}, client{}, bar{};
    ::GetWindowRect(control(ControlId::Button1), &button);
    ::GetClientRect(form->window(), &client);
    ::MapWindowPoints(form->window(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    ::GetWindowRect(form->status().window(), &bar);
    EXPECT_TRUE(button.top >= client.top && button.bottom <= bar.top && button.right <= client.right);
    MSG down{::GetFocus(), WM_KEYDOWN, VK_SPACE, 0, 0, {}};
    MSG up{::GetFocus(), WM_KEYUP, VK_SPACE, 0, 0, {}};
    ::IsDialogMessageA(form->window(), &down);
    ::IsDialogMessageA(form->window(), &up);
    EXPECT_EQ(std::atoi(text(ControlId::Edit4).c_str()), factoryMax);
}

TEST_F(WindowWiringTest, AfterAMessageBoxTheWindowIsActiveWithItsFocus)
{
    command(ActionId::New);
    ::SetFocus(control(ControlId::Edit2));
    // The box is answered from its own loop, as a user's Enter would.
    ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR timer, DWORD) {
        if (HWND box = ::FindWindowA("#32770", "box title"); box != nullptr) {
            ::KillTimer(nullptr, timer);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    form->TFormConfig::showMessage({"box title", "text", MessageIcon::Information, MessageButtons::Ok});
    EXPECT_EQ(::GetActiveWindow(), form->window());
    EXPECT_EQ(::GetFocus(), control(ControlId::Edit2));
}

TEST_F(WindowWiringTest, FailedConnectShowsTheMessageAndStaysDisconnected)
{
    // COM8 is mapped to nothing in the test prefix.
    command(ActionId::ComPort8);
    EXPECT_EQ(::GetMenuState(::GetSubMenu(::GetSubMenu(form->bars().menuBar(), 1), 3), 7, MF_BYPOSITION) & MF_CHECKED,
              UINT(MF_CHECKED));
    command(ActionId::Connect);
    ASSERT_EQ(form->messages.size(), 1u);
    EXPECT_EQ(form->messages[0], "Cannot open serial port");
    EXPECT_EQ(form->status().label(0), "Disconnect");
    EXPECT_EQ(form->status().image(0), "ImageRed");
    EXPECT_TRUE(toolButtonEnabled(ActionId::Connect));
    EXPECT_FALSE(toolButtonEnabled(ActionId::Download));
}

// Needs ats-sim behind COM1 (tests/app_win32/window_over_com1.sh), started with
// words 0 = 185, 2 = 260 and 14 = 95.
TEST_F(WindowWiringTest, ConnectDownloadUploadOverCom1ShowTheSwitchsValues)
{
    if (std::getenv("KOVRIN_SIM_ON_COM1") == nullptr)
        GTEST_SKIP() << "no simulated switch on COM1";
    command(ActionId::Connect);
    ASSERT_EQ(form->status().label(0), "Connect") << (form->messages.empty() ? "" : form->messages.back());
    EXPECT_EQ(form->status().image(0), "ImageGreen");
    command(ActionId::Download);
    ASSERT_TRUE(form->messages.empty()) << form->messages.back();
    EXPECT_EQ(form->status().label(2), "Data from ATS");
    EXPECT_EQ(text(ControlId::Edit3), "185");
    EXPECT_EQ(text(ControlId::Edit4), "260");
    EXPECT_EQ(text(ControlId::Edit19), "95");

    // Changed on the page, uploaded, defaults shown, downloaded again: the switch kept them.
    scroll(ControlId::ScrollBar1, SB_LINERIGHT);
    clickUp(ControlId::UpDown13);
    command(ActionId::Upload);
    command(ActionId::New);
    EXPECT_EQ(text(ControlId::Edit3), "180");
    command(ActionId::Download);
    EXPECT_EQ(text(ControlId::Edit3), "186");
    EXPECT_EQ(text(ControlId::Edit19), "96");
    // Only the questions: the upload's and the offers to save before New and Download.
    for (const std::string& m : form->messages)
        EXPECT_TRUE(m == text::kUploadQuestion || m == text::kSaveQuestion) << m;
    command(ActionId::Disconnect);
    EXPECT_EQ(form->status().label(0), "Disconnect");
}

// The control `id` of a dialog this thread shows now, or null while there is none.
HWND ThreadDialogItem(int id)
{
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            s->found = ::GetDlgItem(window, s->id);
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The rows of the modal dialog of this thread that has the list `listId`, read while it
// is up; the dialog is then closed with Enter, as a user would.
std::vector<std::string> g_rows;
void CALLBACK ReadCompareDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND list = ThreadDialogItem(kCompareListId);
    if (list == nullptr)
        return;  // the progress dialog comes and goes first
    ::KillTimer(nullptr, timer);
    const int rows = int(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        std::string line;
        for (int c = 0; c < 4; ++c) {
            char cell[64] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            ::SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(r), reinterpret_cast<LPARAM>(&item));
            line += (c ? " " : "") + std::string(cell);
        }
        g_rows.push_back(line);
    }
    ::SendMessageA(::GetParent(list), WM_COMMAND, IDOK, 0);
}

// The same simulated switch: the window's factory values against what the switch holds
// (word 2 = 260 and word 14 = 95 or 96), through "Compare with ATS" in the Action menu.
TEST_F(WindowWiringTest, CompareOverCom1ListsWhatTheSwitchHoldsOtherwise)
{
    if (std::getenv("KOVRIN_SIM_ON_COM1") == nullptr)
        GTEST_SKIP() << "no simulated switch on COM1";
    command(ActionId::Connect);
    command(ActionId::Download);
    command(ActionId::New);
    form->messages.clear();
    g_rows.clear();
    ::SetTimer(nullptr, 0, 20, &ReadCompareDialog);
    command(ActionId::Compare);
    EXPECT_TRUE(form->messages.empty());
    // Among them the two the simulator was started with (the upload above changed others).
    std::string rows;
    for (const std::string& row : g_rows)
        rows += row + "\n";
    EXPECT_NE(rows.find("VoltageMaxA 258 260 V\n"), std::string::npos) << rows;
    EXPECT_NE(rows.find("OverloadThreshold 103 9"), std::string::npos) << rows;
    EXPECT_EQ(::GetActiveWindow(), form->window());
    EXPECT_EQ(form->status().label(0), "Connect");
    command(ActionId::Disconnect);
}

// Unticks every row of the Compare dialog but VoltageMaxA's, then "Upload selected".
void CALLBACK UploadOneCompareRow(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND list = ThreadDialogItem(kCompareListId);
    if (list == nullptr)
        return;
    ::KillTimer(nullptr, timer);
    const int rows = int(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < rows; ++r) {
        char cell[64] = {};
        LVITEMA item{};
        item.pszText = cell;
        item.cchTextMax = sizeof cell;
        ::SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(r), reinterpret_cast<LPARAM>(&item));
        g_rows.push_back(cell);
        if (std::string(cell) == "VoltageMaxA")
            continue;
        LVITEMA state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = 1u << 12;  // unticked
        ::SendMessageA(list, LVM_SETITEMSTATE, WPARAM(r), reinterpret_cast<LPARAM>(&state));
    }
    ::SendMessageA(::GetParent(list), WM_COMMAND, MAKEWPARAM(kCompareUploadId, BN_CLICKED), 0);
}

// Compare with the window's factory values, every row unticked but one: only that word
// goes to the switch (word 2 back to 258; word 0 keeps 186).
TEST_F(WindowWiringTest, CompareOverCom1UploadsOnlyTheTickedRow)
{
    if (std::getenv("KOVRIN_SIM_ON_COM1") == nullptr)
        GTEST_SKIP() << "no simulated switch on COM1";
    command(ActionId::Connect);
    command(ActionId::Download);
    const std::string heldMin = text(ControlId::Edit3);
    command(ActionId::New);
    form->messages.clear();
    g_rows.clear();
    ::SetTimer(nullptr, 0, 20, &UploadOneCompareRow);
    command(ActionId::Compare);
    EXPECT_GE(g_rows.size(), 2u);
    ASSERT_EQ(form->messages.size(), 2u);
    EXPECT_EQ(form->messages[0], text::kUploadQuestion);
    EXPECT_EQ(form->messages[1], "1 word(s) written; the switch holds them.");
    command(ActionId::Download);
    EXPECT_EQ(text(ControlId::Edit4), "258");
    EXPECT_EQ(text(ControlId::Edit3), heldMin);
    command(ActionId::Disconnect);
}

// The session's end asked for while a command runs (the main window is disabled under
// the progress dialog): the answer is kept and the session is told it ends, once.
LRESULT g_endAnswer = -1;
HWND g_mainWindow = nullptr;
void CALLBACK EndTheSessionDuringACommand(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (::IsWindowEnabled(g_mainWindow))
        return;  // no command under way yet: the next pump may find one
    ::KillTimer(nullptr, timer);
    g_endAnswer = ::SendMessageA(g_mainWindow, WM_QUERYENDSESSION, 0, 0);
    ::SendMessageA(g_mainWindow, WM_ENDSESSION, TRUE, 0);
}

TEST_F(WindowWiringTest, TheSessionWaitsForADownloadOverCom1AndKeepsItsLine)
{
    if (std::getenv("KOVRIN_SIM_ON_COM1") == nullptr)
        GTEST_SKIP() << "no simulated switch on COM1";
    command(ActionId::Connect);
    g_mainWindow = form->window();
    g_endAnswer = -1;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &EndTheSessionDuringACommand);
    // A fast switch may answer all 18 requests between two timer ticks: download again.
    for (int attempt = 0; attempt < 50 && g_endAnswer == -1; ++attempt)
        command(ActionId::Download);
    ::KillTimer(nullptr, timer);
    ASSERT_NE(g_endAnswer, -1) << "no download was seen running";
    EXPECT_EQ(g_endAnswer, FALSE);
    // Only the offers to save before a second download.
    for (const std::string& m : form->messages)
        EXPECT_EQ(m, text::kSaveQuestion);
    // The download ended as usual and the line stayed open; afterwards the session may end.
    EXPECT_EQ(form->status().label(2), "Data from ATS");
    EXPECT_EQ(form->status().label(0), "Connect");
    EXPECT_EQ(::SendMessageA(form->window(), WM_QUERYENDSESSION, 0, 0), TRUE);
    command(ActionId::Disconnect);
}

// Needs an adapter on Wine's HID bus with ats-sim behind it, started with words 0 = 185,
// 2 = 260 and 14 = 95 (the Wine HID test in tests/usbemu runs this one).
// The network port dialog of this thread, answered with the name in
// KOVRIN_NETWORK_PORT through its own list field and OK, as a user would.
void CALLBACK AnswerNetworkPortDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND combo = ThreadDialogItem(kNetworkPortComboId);
    if (combo == nullptr)
        return;
    ::KillTimer(nullptr, timer);
    ::SetWindowTextA(combo, std::getenv("KOVRIN_NETWORK_PORT"));
    ::SendMessageA(::GetParent(combo), WM_COMMAND, IDOK, 0);
}

// ats-sim behind ser2net (window_over_network.sh): "Network port..." in the Com Port
// menu, then Connect and Download through it.
TEST_F(WindowWiringTest, ConnectDownloadOverNetworkPortShowTheSwitchsValues)
{
    if (std::getenv("KOVRIN_NETWORK_PORT") == nullptr)
        GTEST_SKIP() << "no simulated switch behind a network port";
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, AnswerNetworkPortDialog);
    command(ActionId::NetworkPort);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(form->logic().PortName(), std::getenv("KOVRIN_NETWORK_PORT"));
    command(ActionId::Connect);
    ASSERT_EQ(form->status().label(0), "Connect") << (form->messages.empty() ? "" : form->messages.back());
    command(ActionId::Download);
    ASSERT_TRUE(form->messages.empty()) << form->messages.back();
    EXPECT_EQ(form->status().label(2), "Data from ATS");
    EXPECT_EQ(text(ControlId::Edit3), "185");
    EXPECT_EQ(text(ControlId::Edit4), "260");
    command(ActionId::Disconnect);
}

TEST_F(WindowWiringTest, ConnectDownloadOverUsbShowTheSwitchsValues)
{
    if (std::getenv("KOVRIN_SIM_ON_USB") == nullptr)
        GTEST_SKIP() << "no emulated adapter";
    command(ActionId::Usb);
    command(ActionId::Connect);
    ASSERT_EQ(form->status().label(0), "Connect") << (form->messages.empty() ? "" : form->messages.back());
    command(ActionId::Download);
    ASSERT_TRUE(form->messages.empty()) << form->messages.back();
    EXPECT_EQ(form->status().label(2), "Data from ATS");
    EXPECT_EQ(text(ControlId::Edit3), "185");
    EXPECT_EQ(text(ControlId::Edit4), "260");
    EXPECT_EQ(text(ControlId::Edit19), "95");
    command(ActionId::Disconnect);
    EXPECT_EQ(form->status().label(0), "Disconnect");
}

} // namespace
} // namespace kovrin::win32
