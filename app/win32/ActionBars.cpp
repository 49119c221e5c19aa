#include "app/win32/ActionBars.h"

#include "app/win32/Images.h"
#include "app/win32/WindowIds.h"

#include <string>

namespace kovrin::win32 {

namespace {

std::string Ansi0(std::string_view s) { return Ansi(s); }

// The menu's check-mark size at `dpi`, as the system has it for that DPI when it can say.
int MenuCheckSize(Dpi dpi)
{
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = reinterpret_cast<ForDpiFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    if (forDpi != nullptr)
        return forDpi(SM_CXMENUCHECK, UINT(dpi.dpi));
    return ::MulDiv(::GetSystemMetrics(SM_CXMENUCHECK), dpi.dpi, int(DpiOf(nullptr).dpi));
}

// The picture's place: centred in the room the menu gives it.
POINT Centred(const RECT& room, int size)
{
    return {room.left + (room.right - room.left - size) / 2, room.top + (room.bottom - room.top - size) / 2};
}

void AppendAction(HMENU menu, ActionId action, const std::string& text, bool picture)
{
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    item.fType = MFT_STRING;
    item.wID = UINT(CommandId(action));
    item.dwTypeData = const_cast<char*>(text.c_str());
    if (picture) {
        // Drawn by the window, so that its transparent pixels show the row beneath.
        item.fMask |= MIIM_BITMAP;
        item.hbmpItem = HBMMENU_CALLBACK;
    }
    ::InsertMenuItemA(menu, UINT(::GetMenuItemCount(menu)), TRUE, &item);
}

} // namespace

ActionBars::ActionBars(HWND window, Dpi dpi, HFONT font) : window_(window)
{
    const int size = RenderedSize(dpi(24), kToolbarSizes);
    images_ = ImageList(size, false);
    disabledImages_ = ImageList(size, true);
    // The menu items show the toolbar's pictures, at the menu's size.
    menuSize_ = RenderedSize(MenuCheckSize(dpi), kSmallSizes);
    menuImages_ = ImageList(menuSize_, false);
    menuDisabledImages_ = ImageList(menuSize_, true);

    // Menu bar: menus follow one another; a submenu hangs in the menu opened last.
    menuBar_ = ::CreateMenu();
    HMENU menu = nullptr;
    HMENU target = nullptr;
    HMENU submenu = nullptr;
    std::string submenuText;
    for (const MenuEntry& e : kMenuBar) {
        const std::string text = Ansi0(e.text);
        switch (e.kind) {
        case MenuEntry::Menu:
            menu = target = ::CreatePopupMenu();
            ::AppendMenuA(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), text.c_str());
            break;
        case MenuEntry::SubmenuStart:
            target = submenu = ::CreatePopupMenu();
            submenuText = text;
            break;
        case MenuEntry::SubmenuEnd:
            ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), submenuText.c_str());
            target = menu;
            break;
        case MenuEntry::Separator:
            ::AppendMenuA(target, MF_SEPARATOR, 0, nullptr);
            break;
        case MenuEntry::Item:
            AppendAction(target, *e.action, text, actionInfo(*e.action).image >= 0);
            items_.push_back({target, UINT(::GetMenuItemCount(target) - 1), *e.action});
            break;
        case MenuEntry::TopLevelItem:
            ::AppendMenuA(menuBar_, MF_STRING, UINT_PTR(CommandId(*e.action)), text.c_str());
            items_.push_back({menuBar_, UINT(::GetMenuItemCount(menuBar_) - 1), *e.action});
            break;
        }
    }
    // A menu bar made before (at another DPI) goes with its replacement.
    const HMENU previous = ::GetMenu(window);
    ::SetMenu(window, menuBar_);
    if (previous != nullptr)
        ::DestroyMenu(previous);

    // Toolbar: pictures only, the hints as tooltips.
    toolBar_ = Child(window, TOOLBARCLASSNAMEA, "",
                     WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                         CCS_NOPARENTALIGN | CCS_NODIVIDER,
                     {0, 0, 801, 36}, kToolBarId, dpi, font);
    ::SendMessageA(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(toolBar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
    ::SendMessageA(toolBar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages_.get()));
    std::vector<TBBUTTON> buttons;
    for (const std::optional<ActionId>& entry : kToolBar) {
        TBBUTTON b{};
        if (entry) {
            b.iBitmap = actionInfo(*entry).image;
            b.idCommand = CommandId(*entry);
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        } else {
            b.iBitmap = dpi(8);
            b.fsStyle = BTNS_SEP;
        }
        buttons.push_back(b);
    }
    ::SendMessageA(toolBar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(toolBar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(size + dpi(9), size + dpi(8)));
    ::SendMessageA(toolBar_, TB_AUTOSIZE, 0, 0);
}

ActionBars::~ActionBars()
{
    // The image lists outlive the toolbar that shows them.
    if (toolBar_ != nullptr)
        ::DestroyWindow(toolBar_);
}

int ActionBars::toolBarHeight() const
{
    RECT r{};
    ::SendMessageA(toolBar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r.bottom;
}

void ActionBars::apply(const MainWindowState& state)
{
    for (const ActionInfo& info : kActions)
        if (::SendMessageA(toolBar_, TB_COMMANDTOINDEX, CommandId(info.id), 0) >= 0)
            ::SendMessageA(toolBar_, TB_ENABLEBUTTON, CommandId(info.id), MAKELPARAM(state.action(info.id).enabled, 0));
    bool barChanged = false;
    for (const MenuItem& item : items_) {
        const ActionState& s = state.action(item.action);
        const UINT wanted = s.enabled ? MF_ENABLED : MF_GRAYED;
        const UINT was = ::GetMenuState(item.menu, item.position, MF_BYPOSITION);
        if ((was & MF_GRAYED) != (wanted & MF_GRAYED)) {
            ::EnableMenuItem(item.menu, item.position, MF_BYPOSITION | wanted);
            barChanged = barChanged || item.menu == menuBar_;
        }
        ::CheckMenuItem(item.menu, item.position, MF_BYPOSITION | (s.checked ? MF_CHECKED : MF_UNCHECKED));
    }
    if (barChanged)
        ::DrawMenuBar(window_);
}

const char* ActionBars::Hint(int commandId)
{
    for (const ActionInfo& info : kActions)
        if (CommandId(info.id) == commandId)
            return info.hint.empty() ? info.caption.data() : info.hint.data();
    return "";
}

bool ActionBars::measureMenuPicture(MEASUREITEMSTRUCT& item) const
{
    if (item.CtlType != ODT_MENU || ImageOf(int(item.itemID)) < 0)
        return false;
    item.itemWidth = UINT(menuSize_);
    item.itemHeight = UINT(menuSize_);
    return true;
}

bool ActionBars::drawMenuPicture(const DRAWITEMSTRUCT& item) const
{
    const int image = item.CtlType == ODT_MENU ? ImageOf(int(item.itemID)) : -1;
    if (image < 0)
        return false;
    // The row beneath is the menu's own (highlighted or not): the picture is blended
    // onto it, greyed on a disabled item.
    const HIMAGELIST list = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) ? menuDisabledImages_.get()
                                                                            : menuImages_.get();
    const POINT at = Centred(item.rcItem, menuSize_);
    ::ImageList_Draw(list, image, item.hDC, at.x, at.y, ILD_TRANSPARENT);
    return true;
}

int ActionBars::ImageOf(int commandId)
{
    for (const ActionInfo& info : kActions)
        if (CommandId(info.id) == commandId)
            return info.image;
    return -1;
}

void ActionBars::refreshMenuPictures()
{
    // Nothing of the old colours is kept: the pictures are drawn over the new ones.
    ::DrawMenuBar(window_);
}

} // namespace kovrin::win32
