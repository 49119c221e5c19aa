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

    // The menu pictures laid anew over the menu colour of the moment (after a theme or
    // system-colour change).
    void refreshMenuPictures();

private:
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
    std::array<UniqueBitmap, kActionCount> menuPictures_;
    std::vector<MenuItem> items_;
};

} // namespace kovrin::win32
