// "Compare with ATS" in the Qt window over the real link to ats-sim, which holds two
// words other than the values on screen.
#include "QtFixture.h"
#include "app/qt/CompareForm.h"
#include "tests/support/ScopedEnv.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>

namespace kovrin::test {
namespace {

TEST(CompareWiring, ShowsTheWordsTheSwitchHoldsOtherwise)
{
    TestApp();
    std::string error;
    auto sim = sim::SimProcess::Start({"--fast", "--word", "12=9", "--word", "13=7"}, error);
    ASSERT_TRUE(sim) << error;
    ScopedEnv com1("KOVRIN_COM1", sim->path());
    WindowEnvironment env;
    env.programFolder = "/nonexistent/";
    TFormConfig form(std::move(env));
    form.show();
    EXPECT_FALSE(form.action(ActionId::Compare)->isEnabled());

    form.action(ActionId::Connect)->trigger();
    form.action(ActionId::Download)->trigger();
    ASSERT_TRUE(form.action(ActionId::Compare)->isEnabled());
    // The screen goes back to the factory values; the switch keeps its two.
    form.findChild<QPushButton*>("Button1")->click();

    QStringList rows;
    QString note;
    // The dialog is looked for until it is up (the progress dialog comes and goes first).
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<TFormCompare*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        for (int r = 0; r < dialog->table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < dialog->table->columnCount(); ++c)
                cells << dialog->table->item(r, c)->text();
            rows << cells.join(' ');
        }
        note = dialog->note->text();
        dialog->reject();
    });
    poll.start();
    form.action(ActionId::Compare)->trigger();
    EXPECT_EQ(rows, (QStringList{"MaxDisplacementAngle 4 9 degrees", "BreakingTime 2 7 ms"}));
    EXPECT_EQ(note, "2 parameter(s) differ");
    EXPECT_TRUE(form.action(ActionId::Upload)->isEnabled());  // still connected
}

// Two rows, the second unticked: "Upload selected" sends only the first word.
TEST(CompareWiring, UploadsOnlyTheTickedRows)
{
    TestApp();
    std::string error;
    const std::string log = ::testing::TempDir() + "compare-upload-sim.log";
    std::remove(log.c_str());
    auto sim = sim::SimProcess::Start({"--fast", "--word", "12=9", "--word", "13=7"}, error, log);
    ASSERT_TRUE(sim) << error;
    ScopedEnv com1("KOVRIN_COM1", sim->path());
    ScopedEnv archive("KOVRIN_ARCHIVE", "off");
    WindowEnvironment env;
    env.programFolder = "/nonexistent/";
    TFormConfig form(std::move(env));
    form.show();
    form.action(ActionId::Connect)->trigger();
    form.action(ActionId::Download)->trigger();
    form.findChild<QPushButton*>("Button1")->click();

    QStringList messages;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = dynamic_cast<TFormCompare*>(modal)) {
            ASSERT_EQ(dialog->table->rowCount(), 2);
            dialog->table->item(1, 0)->setCheckState(Qt::Unchecked);
            dialog->uploadSelected->click();
        } else if (auto* box = dynamic_cast<QMessageBox*>(modal)) {
            messages << box->text();
            box->button(box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
        }
    });
    poll.start();
    form.action(ActionId::Compare)->trigger();
    poll.stop();
    ASSERT_EQ(messages.size(), 2) << messages.join('|').toStdString();
    EXPECT_EQ(messages[0], "Are you sure to upload values to ATS?");
    EXPECT_EQ(messages[1], "1 word(s) written; the switch holds them.");
    sim.reset();  // the log is complete once the simulator is gone
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("SM word 12 = 4"), std::string::npos) << text;
    EXPECT_EQ(text.find("SM word 13"), std::string::npos) << text;
}

} // namespace
} // namespace kovrin::test
