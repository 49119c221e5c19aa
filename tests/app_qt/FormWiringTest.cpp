// The main window's wiring: names, menus, toolbar, and that what the logic decides is
// what the widgets show.
#include "QtFixture.h"

#include "app/qt/UpDown.h"
#include "config/EditorControls.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace kovrin::test {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The entries of a menu as the user reads them; "-" for a separator.
QStringList Entries(const QList<QAction*>& actions)
{
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QMenu* MenuTitled(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// The menu items that run one action (the proxies carry its object name).
QList<QAction*> MenuItemsOf(QWidget* form, const QString& actionName)
{
    QList<QAction*> items;
    for (QAction* a : form->findChildren<QAction*>())
        if (a->property("action").toString() == actionName)
            items << a;
    return items;
}

TEST_F(FormTest, EveryResourceNameIsAnObjectName)
{
    for (const ControlInfo& c : kEditorControls)
        EXPECT_NE(form->findChild<QWidget*>(Q(c.name)), nullptr) << c.name;
    for (const ActionInfo& a : kActions)
        EXPECT_NE(form->findChild<QAction*>(Q(a.name)), nullptr) << a.name;
    for (const char* name : {"MainCoolBar", "ActionMainMenuBar1", "ActionToolBar1", "Panel1", "PageControl1",
                             "TabSheet1", "Panel2", "Bevel1", "Bevel2", "LabelStatus", "LabelAccess", "LabelFile",
                             "ImageGreen", "ImageRed", "ImageKeyUser", "ImageKeyService", "ImageUPS", "ImageFile"})
        EXPECT_NE(child(name), nullptr) << name;
}

TEST_F(FormTest, MenuBarHoldsTheEntriesWithAccessKeys)
{
    auto* bar = child<QMenuBar>("ActionMainMenuBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Entries(bar->actions()),
              (QStringList{"&File", "&Connection", "&Action", "&View", "&Password", "Help"}));
    const struct {
        const char* menu;
        QStringList entries;
    } menus[] = {
        {"&File", {"&New", "&Open", "&Save", "S&ave as...", "-", "&Download", "&Upload", "-", "&Exit"}},
        {"&Connection", {"&Connect", "&Disconnect", "-", "C&om Port"}},
        {"&Action", {"&Download", "Upload", "-", "&Compare with ATS", "Settings &report"}},
        {"&View", {"&Properties"}},
        {"&Password", {"&Service password"}},
    };
    for (const auto& m : menus) {
        QMenu* menu = MenuTitled(bar, QString::fromLatin1(m.menu));
        ASSERT_NE(menu, nullptr) << m.menu;
        EXPECT_EQ(Entries(menu->actions()), m.entries) << m.menu;
    }
    QMenu* ports = MenuTitled(bar, "&Connection")->actions().back()->menu();
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(Entries(ports->actions()),
              (QStringList{"&COM1", "C&OM2", "CO&M3", "COM&4", "COM&5", "COM&6", "COM&7", "COM&8", "&USB", "&Network port..."}));
    QStringList checked;
    for (QAction* a : ports->actions())
        if (a->isChecked())
            checked << a->text();
    EXPECT_EQ(checked, QStringList{"&COM1"});
    QActionGroup* group = ports->actions().front()->actionGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->isExclusive());
    EXPECT_EQ(group->actions(), ports->actions());
}

TEST_F(FormTest, ToolbarShowsImagesWithHints)
{
    auto* bar = child<QToolBar>("ActionToolBar1");
    ASSERT_NE(bar, nullptr);
    QStringList order;
    for (QAction* a : bar->actions()) {
        order << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
        }
    }
    EXPECT_EQ(order, (QStringList{"ActionNew", "ActionOpen", "ActionSave", "-", "ActionDownload", "ActionUpload", "-",
                                  "ActionConnect", "ActionDisconnect", "-", "ActionServicePassword"}));
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(form->action(ActionId::Download)->toolTip(), "Download configuration file from ATS");
    EXPECT_EQ(form->action(ActionId::ServicePassword)->toolTip(), "Insert password for service level");
}

TEST_F(FormTest, OpeningTheConnectionMenuShowsEachPortsDevice)
{
    QMenu* connection = nullptr;
    for (QAction* top : child<QMenuBar>("ActionMainMenuBar1")->actions())
        if (top->text() == "&Connection")
            connection = top->menu();
    ASSERT_NE(connection, nullptr);
    emit connection->aboutToShow();
    const QString expected = QString::fromUtf8("COM1 \u2014 /dev/ttyUSB0, FT232R USB UART");
    EXPECT_EQ(form->action(ActionId::ComPort1)->statusTip(), expected);
    EXPECT_EQ(form->action(ActionId::ComPort1)->text(), "COM1");
    for (QAction* item : MenuItemsOf(form.get(), "ActionComPort1"))
        EXPECT_EQ(item->statusTip(), expected);
    EXPECT_EQ(form->action(ActionId::ComPort2)->statusTip(), QString::fromUtf8("COM2 \u2014 nothing there"));
}

TEST_F(FormTest, FreshWindowIsDisconnectedUserLevelWithoutPage)
{
    EXPECT_EQ(form->windowTitle(), "Kovrin Configurator - Version 1.5.1.0");
    EXPECT_EQ(form->size(), QSize(801, 607));
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "Disconnect");
    EXPECT_EQ(child<QLabel>("LabelAccess")->text(), "User");
    EXPECT_EQ(child<QLabel>("LabelFile")->text(), "");
    EXPECT_TRUE(child("ImageRed")->isVisibleTo(form.get()));
    EXPECT_FALSE(child("ImageGreen")->isVisibleTo(form.get()));
    EXPECT_TRUE(child("ImageKeyUser")->isVisibleTo(form.get()));
    EXPECT_FALSE(child("ImageUPS")->isVisibleTo(form.get()));
    EXPECT_FALSE(child("ImageFile")->isVisibleTo(form.get()));
    EXPECT_FALSE(child("PageControl1")->isVisibleTo(form.get()));
    for (ActionId id : {ActionId::Download, ActionId::Upload, ActionId::Save, ActionId::SaveAs, ActionId::Settings})
        EXPECT_FALSE(form->action(id)->isEnabled()) << actionInfo(id).name;
    for (ActionId id : {ActionId::New, ActionId::Open, ActionId::Connect, ActionId::ServicePassword, ActionId::Help})
        EXPECT_TRUE(form->action(id)->isEnabled()) << actionInfo(id).name;
}

TEST_F(FormTest, CommandStateFollowsTheLogicOnToolbarAndMenus)
{
    form->action(ActionId::New)->trigger();
    EXPECT_TRUE(child("PageControl1")->isVisibleTo(form.get()));
    EXPECT_EQ(child<QLabel>("LabelFile")->text(), "Default data");
    for (QAction* item : MenuItemsOf(form.get(), "ActionSave"))
        EXPECT_TRUE(item->isEnabled());

    form->action(ActionId::Connect)->trigger();
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "Connect");
    EXPECT_TRUE(child("ImageGreen")->isVisibleTo(form.get()));
    EXPECT_FALSE(form->action(ActionId::Connect)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::Download)->isEnabled());
    EXPECT_TRUE(form->action(ActionId::Upload)->isEnabled());
    const QList<QAction*> uploadItems = MenuItemsOf(form.get(), "ActionUpload");
    EXPECT_EQ(uploadItems.size(), 2);  // File and Action menus
    for (QAction* item : uploadItems)
        EXPECT_TRUE(item->isEnabled());

    // A port chosen from the menu moves the check mark; the logic decides, not the click.
    MenuItemsOf(form.get(), "ActionComPort3").front()->trigger();
    EXPECT_TRUE(form->action(ActionId::ComPort3)->isChecked());
    EXPECT_FALSE(form->action(ActionId::ComPort1)->isChecked());
    EXPECT_EQ(form->logic().PortName(), "COM3");
}

TEST_F(FormTest, ProgressDialogIsTransientForTheWindow)
{
    const std::unique_ptr<ProgressView> progress = form->createProgress("t", false);
    const QList<QDialog*> dialogs = form->findChildren<QDialog*>(QStringLiteral("FormProgress"));
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs.front()->isWindow());
}

TEST_F(FormTest, DownloadFillsThePageAndTheStatusBar)
{
    LoadFactoryDefaults(links.switchRecord);
    links.switchRecord.setWord(0, 185);
    links.switchRecord.setWord(14, 90);
    form->action(ActionId::Connect)->trigger();
    form->action(ActionId::Download)->trigger();
    EXPECT_TRUE(child("PageControl1")->isVisibleTo(form.get()));
    EXPECT_EQ(child<QLabel>("LabelFile")->text(), "Data from ATS");
    EXPECT_TRUE(child("ImageUPS")->isVisibleTo(form.get()));
    EXPECT_EQ(child<QScrollBar>("ScrollBar1")->value(), 185);
    EXPECT_EQ(child<QLineEdit>("Edit3")->text(), "185");
    EXPECT_EQ(child<QLineEdit>("Edit19")->text(), "90");
    EXPECT_TRUE(form->action(ActionId::Settings)->isEnabled());
}

TEST_F(FormTest, UserInputGoesThroughTheModel)
{
    form->action(ActionId::New)->trigger();
    auto* sb2 = child<QScrollBar>("ScrollBar2");
    ASSERT_EQ(sb2->value(), 258);
    sb2->setValue(260);  // as a drag would
    EXPECT_EQ(child<QLineEdit>("Edit4")->text(), "260");
    EXPECT_EQ(child<QLineEdit>("Edit6")->text(), "250");  // hidden hysteresis 10 still counts

    // One click on the Input A hysteresis arrow: buddy and both return voltages follow.
    auto arrows = child("UpDown17")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[0]->click();
    EXPECT_EQ(child<QLineEdit>("Edit17")->text(), "11");
    EXPECT_EQ(child<QLineEdit>("Edit5")->text(), "191");
    EXPECT_EQ(child<QLineEdit>("Edit6")->text(), "249");

    // Picking "60" resets the four frequency thresholds.
    auto* combo = child<QComboBox>("ComboBox1");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    for (auto [edit, value] : {std::pair{"Edit1", "55"}, {"Edit2", "65"}, {"Edit7", "55"}, {"Edit8", "65"}})
        EXPECT_EQ(child<QLineEdit>(edit)->text(), value) << edit;

    child<QPushButton>("Button1")->click();
    EXPECT_EQ(child<QLineEdit>("Edit4")->text(), "258");
    EXPECT_EQ(combo->currentText(), "50");
}

TEST_F(FormTest, ServicePasswordShowsTheHiddenControls)
{
    form->action(ActionId::New)->trigger();
    const char* serviceOnly[] = {"GroupBox3", "Label22", "Edit17", "UpDown17", "Label25", "Edit18", "UpDown18"};
    for (const char* name : serviceOnly)
        EXPECT_FALSE(child(name)->isVisibleTo(form.get())) << name;
    EXPECT_FALSE(child("Edit15")->isEnabled());

    QString shown;
    OnNextModal([&shown](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("EditPassword");
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, "tovel_marsk");
        shown = edit->displayText();
        QTest::keyClick(edit, Qt::Key_Return);  // BtnOk is the default button
    });
    form->action(ActionId::ServicePassword)->trigger();

    EXPECT_EQ(shown, QString(11, QLatin1Char('*')));
    EXPECT_EQ(child<QLabel>("LabelAccess")->text(), "Service");
    EXPECT_TRUE(child("ImageKeyService")->isVisibleTo(form.get()));
    EXPECT_FALSE(child("ImageKeyUser")->isVisibleTo(form.get()));
    for (const char* name : serviceOnly)
        EXPECT_TRUE(child(name)->isVisibleTo(form.get())) << name;
    EXPECT_TRUE(child("Edit15")->isEnabled());
    EXPECT_TRUE(child("UpDown15")->isEnabled());
}

TEST_F(FormTest, HiddenControlsKeepTheirPlaces)
{
    form->action(ActionId::New)->trigger();
    const QPoint before = child("Edit1")->mapTo(form.get(), QPoint());
    OnNextModal([](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>("EditPassword");
        edit->setText("tovel_marsk");
        dialog->findChild<QPushButton*>("BtnOk")->click();
    });
    form->action(ActionId::ServicePassword)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(child("Edit1")->mapTo(form.get(), QPoint()), before);
}

TEST_F(FormTest, EscapingExceptionIsShownAndTheWindowGoesOn)
{
    ::setenv("KOVRIN_AUTO_DISMISS", "1", 1);
    links.throwOnCreate = true;
    testing::internal::CaptureStderr();
    form->action(ActionId::Connect)->trigger();
    const std::string shown = testing::internal::GetCapturedStderr();
    ::unsetenv("KOVRIN_AUTO_DISMISS");
    EXPECT_NE(shown.find("link object not available"), std::string::npos) << shown;

    links.throwOnCreate = false;
    form->action(ActionId::Connect)->trigger();
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "Connect");
}

TEST_F(FormTest, CloseBoxDuringACommandDoesNotPullTheLinkAway)
{
    // Arrives while Connect repaints its progress dialog, as a click on the close box would.
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    form->action(ActionId::Connect)->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->logic().Connected());
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "Connect");
    form->close();  // afterwards the close box works as before
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->logic().Connected());
}

TEST_F(FormTest, ClosingWhileConnectedDisconnectsFirst)
{
    form->action(ActionId::Connect)->trigger();
    ASSERT_TRUE(form->logic().Connected());
    form->action(ActionId::Exit)->trigger();
    EXPECT_FALSE(form->logic().Connected());
    EXPECT_FALSE(form->isVisible());
}

} // namespace
} // namespace kovrin::test
