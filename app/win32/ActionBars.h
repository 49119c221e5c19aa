#pragma once
// The menu bar and the toolbar, built from the action tables: every item sends
// WM_COMMAND with CommandId(action) to the main window.
#include "app/logic/MainWindowState.h"
#include "app/win32/Win32Ui.h"

#include <array>
#include <vector>

namespace kovrin::win32 {

class ActionBars {
public:
    // Makes the menu bar of `window` and its toolbar (a child at the top of the client area).
    ActionBars(HWND window, Dpi dpi, HFONT font);
    ~ActionBars();
    ActionBars(const ActionBars&) = delete;
    ActionBars& operator=(const ActionBars&) = delete;

    HWND toolBar() const { return toolBar_; }
    HMENU menuBar() const { return menuBar_; }
    int toolBarHeight() const;

    // Enabled states and check marks as the logic has them.
    void apply(const MainWindowState& state);
    // The hint of a toolbar button, for its tooltip.
    static const char* Hint(int commandId);

    // The menu pictures are drawn by the window, over the row as the menu has painted it
    // (highlighted or not, in the colours of the moment), at the menu's check-mark size:
    // WM_MEASUREITEM and WM_DRAWITEM of a menu item go here. False: not a menu picture.
    bool measureMenuPicture(MEASUREITEMSTRUCT& item) const;
    bool drawMenuPicture(const DRAWITEMSTRUCT& item) const;
    // The pictures' size, the image list's: one of kSmallSizes.
    int menuPictureSize() const { return menuSize_; }
    // After a theme or system-colour change: the menu bar drawn anew.
    void refreshMenuPictures();

private:
    // The picture of the action with this command, -1 for none.
    static int ImageOf(int commandId);

    struct MenuItem {
        HMENU menu;
        UINT position;
        ActionId action;
    };

    HWND window_;
    HMENU menuBar_ = nullptr;
    HWND toolBar_ = nullptr;
    UniqueImageList images_;
    UniqueImageList disabledImages_;
    UniqueImageList menuImages_;
    UniqueImageList menuDisabledImages_;
    int menuSize_ = 16;
    std::vector<MenuItem> items_;
};

} // namespace kovrin::win32
