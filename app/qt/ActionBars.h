#pragma once
// The window's actions, its menu bar and its toolbar, built from the tables of
// app/logic/Actions.h. A menu entry whose text differs from the action's caption
// ("&Properties" for Settings) is its own menu item that follows the action's state.
#include "app/logic/Actions.h"
#include "app/logic/MainWindowState.h"

#include <QObject>
#include <array>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace kovrin {

class ActionBars {
public:
    // `run` is called with the action's id when the user triggers it anywhere.
    ActionBars(QWidget* owner, std::function<void(ActionId)> run);

    QMenuBar* buildMenuBar(QWidget* parent);
    QToolBar* buildToolBar(QWidget* parent);

    QAction* action(ActionId id) const { return actions_[index(id)]; }
    void apply(const MainWindowState& state);
    // Called each time the menu with this text (as in kMenuBar) is about to open.
    void onMenuOpening(std::string_view menuText, std::function<void()> opening);

private:
    QAction* menuItem(const MenuEntry& entry, QWidget* parent);

    std::function<void(ActionId)> run_;
    std::array<QAction*, kActionCount> actions_{};
    std::vector<std::pair<QAction*, ActionId>> menuItems_;
    QActionGroup* ports_;      // the port actions, owned by the window
    QActionGroup* portItems_;  // their menu items
    std::vector<std::pair<std::string_view, QMenu*>> menus_;
};

} // namespace kovrin
