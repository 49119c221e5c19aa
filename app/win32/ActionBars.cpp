#include "app/win32/ActionBars.h"

#include "app/win32/Images.h"
#include "app/win32/WindowIds.h"

#include <string>

namespace kovrin::win32 {

namespace {

std::string Ansi0(std::string_view s) { return Ansi(s); }

void AppendAction(HMENU menu, ActionId action, const std::string& text, HBITMAP picture)
{
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    item.fType = MFT_STRING;
    item.wID = UINT(CommandId(action));
    item.dwTypeData = const_cast<char*>(text.c_str());
    if (picture != nullptr) {
        item.fMask |= MIIM_BITMAP;
        item.hbmpItem = picture;
    }
    ::InsertMenuItemA(menu, UINT(::GetMenuItemCount(menu)), TRUE, &item);
}

} // namespace

ActionBars::ActionBars(HWND window, Dpi dpi, HFONT font) : window_(window)
{
    const int size = RenderedSize(dpi(24), kToolbarSizes);
    images_ = ImageList(size, false);
    disabledImages_ = ImageList(size, true);
    // The menu items show the toolbar's pictures.
    for (const ActionInfo& info : kActions)
        menuPictures_[index(info.id)] = info.image >= 0 ? ImageListBitmap(images_.get(), info.image) : nullptr;

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
            AppendAction(target, *e.action, text, menuPictures_[index(*e.action)].get());
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

void ActionBars::refreshMenuPictures()
{
    for (const ActionInfo& info : kActions) {
        if (info.image < 0 || menuPictures_[index(info.id)] == nullptr)
            continue;
        UniqueBitmap fresh = ImageListBitmap(images_.get(), info.image);
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = fresh.get();
        // By command: found in whichever menu or submenu holds it.
        if (fresh != nullptr && ::SetMenuItemInfoA(menuBar_, UINT(CommandId(info.id)), FALSE, &item))
            menuPictures_[index(info.id)] = std::move(fresh);
    }
    ::DrawMenuBar(window_);
}

} // namespace kovrin::win32
