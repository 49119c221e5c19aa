#include "app/qt/ActionBars.h"

#include "app/qt/FormStyle.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace kovrin {

namespace {

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

bool IsPortCommand(ActionId id)
{
    for (const PortCommand& p : kPortCommands)
        if (p.action == id)
            return true;
    return id == ActionId::NetworkPort;
}

} // namespace

ActionBars::ActionBars(QWidget* owner, std::function<void(ActionId)> run)
    : run_(std::move(run)), ports_(new QActionGroup(owner)), portItems_(new QActionGroup(owner))
{
    // One check mark among the ports, on the actions and on their menu items alike.
    ports_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    portItems_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const ActionInfo& info : kActions) {
        auto* a = new QAction(ImageListIcon(info.image), Text(info.caption), owner);
        a->setObjectName(Text(info.name));
        a->setToolTip(info.hint.empty() ? Text(info.caption) : Text(info.hint));
        a->setStatusTip(Text(info.hint));
        if (IsPortCommand(info.id))
            ports_->addAction(a)->setCheckable(true);
        // Check marks are the logic's to set: a click only runs the command.
        const ActionId id = info.id;
        QObject::connect(a, &QAction::triggered, a, [this, id] { run_(id); });
        actions_[index(id)] = a;
    }
}

QAction* ActionBars::menuItem(const MenuEntry& entry, QWidget* parent)
{
    QAction* base = action(*entry.action);
    auto* item = new QAction(base->icon(), Text(entry.text), parent);
    if (base->actionGroup() == ports_)
        portItems_->addAction(item)->setCheckable(true);
    item->setStatusTip(base->statusTip());
    item->setProperty("action", base->objectName());
    const ActionId id = *entry.action;
    QObject::connect(item, &QAction::triggered, item, [this, id] { run_(id); });
    menuItems_.emplace_back(item, id);
    return item;
}

QMenuBar* ActionBars::buildMenuBar(QWidget* parent)
{
    auto* bar = new QMenuBar(parent);
    bar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    bar->setNativeMenuBar(false);
    QMenu* menu = nullptr;
    QMenu* target = nullptr;  // the menu or the open submenu
    for (const MenuEntry& e : kMenuBar) {
        switch (e.kind) {
        case MenuEntry::Menu:
            menu = target = bar->addMenu(Text(e.text));
            // The port items' hints (which device a number stands for) show as tooltips.
            menu->setToolTipsVisible(true);
            menus_.emplace_back(e.text, menu);
            break;
        case MenuEntry::SubmenuStart:
            target = menu->addMenu(Text(e.text));
            target->setToolTipsVisible(true);
            break;
        case MenuEntry::SubmenuEnd:
            target = menu;
            break;
        case MenuEntry::Separator:
            target->addSeparator();
            break;
        case MenuEntry::Item:
            target->addAction(menuItem(e, target));
            break;
        case MenuEntry::TopLevelItem: {
            // A menu bar would show the picture instead of the caption.
            QAction* item = menuItem(e, bar);
            item->setIcon(QIcon());
            bar->addAction(item);
            break;
        }
        }
    }
    return bar;
}

QToolBar* ActionBars::buildToolBar(QWidget* parent)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QStringLiteral("ActionToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(24, 24));
    for (const std::optional<ActionId>& entry : kToolBar) {
        if (entry)
            bar->addAction(action(*entry));
        else
            bar->addSeparator();
    }
    return bar;
}

void ActionBars::onMenuOpening(std::string_view menuText, std::function<void()> opening)
{
    for (auto& [text, menu] : menus_)
        if (text == menuText)
            QObject::connect(menu, &QMenu::aboutToShow, menu, opening);
}

void ActionBars::apply(const MainWindowState& state)
{
    for (const ActionInfo& info : kActions) {
        const ActionState& s = state.action(info.id);
        QAction* a = action(info.id);
        a->setEnabled(s.enabled);
        if (a->isCheckable())
            a->setChecked(s.checked);
        if (!s.hint.empty()) {
            a->setToolTip(Text(s.hint));
            a->setStatusTip(Text(s.hint));
        }
    }
    for (auto& [item, id] : menuItems_) {
        const ActionState& s = state.action(id);
        item->setEnabled(s.enabled);
        if (item->isCheckable())
            item->setChecked(s.checked);
        if (!s.hint.empty()) {
            item->setToolTip(Text(s.hint));
            item->setStatusTip(Text(s.hint));
        }
    }
}

} // namespace kovrin
