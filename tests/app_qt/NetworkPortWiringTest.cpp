// "Network port..." in the Qt window: the dialog's entry selects the port, Connect goes
// through ser2net to ats-sim, Download fills the screen, and the name is offered next time.
#include "QtFixture.h"
#include "app/qt/NetworkPortForm.h"
#include "tools/ats-sim/harness/DeviceServer.h"
#include "tools/ats-sim/harness/SimProcess.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <unistd.h>

namespace kovrin::test {
namespace {

TEST(NetworkPortWiring, ConnectsThroughTheDialogsNameAndDownloads)
{
    if (::access("/usr/sbin/ser2net", X_OK) != 0)
        GTEST_SKIP() << "ser2net is not installed";
    TestApp();
    std::string error;
    auto sim = sim::SimProcess::Start({"--fast", "--code", "NET-WINDOW"}, error);
    ASSERT_TRUE(sim) << error;
    std::string folder = (std::filesystem::temp_directory_path() / "kovrin-netqt-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(folder.data()));
    auto server = sim::DeviceServer::Start({sim->path()}, folder, error);
    ASSERT_TRUE(server) << error;
    const std::string url = server->devices()[0].rfc2217Url();

    WindowEnvironment env;
    env.programFolder = "/nonexistent/";
    env.networkPortFile = folder + "/network-ports";
    TFormConfig form(std::move(env));
    form.show();

    QStringList offered;
    const auto answer = [&](const QString& text) {
        auto* poll = new QTimer(&form);
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [&, poll, text] {
            auto* dialog = dynamic_cast<TFormNetworkPort*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            offered.clear();
            for (int i = 0; i < dialog->ComboNetworkPort->count(); ++i)
                offered << dialog->ComboNetworkPort->itemText(i);
            dialog->ComboNetworkPort->setEditText(text);
            dialog->BtnOk->click();
        });
        poll->start();
    };
    answer(QString::fromStdString("  " + url + " "));
    form.action(ActionId::NetworkPort)->trigger();
    EXPECT_TRUE(form.action(ActionId::NetworkPort)->isChecked());
    EXPECT_FALSE(form.action(ActionId::ComPort1)->isChecked());

    form.action(ActionId::Connect)->trigger();
    ASSERT_TRUE(form.action(ActionId::Download)->isEnabled()) << "not connected";
    form.action(ActionId::Download)->trigger();
    EXPECT_TRUE(form.action(ActionId::Upload)->isEnabled()) << "nothing downloaded";
    form.action(ActionId::Disconnect)->trigger();

    // The name comes back in the list the next time.
    answer(QString::fromStdString(url));
    form.action(ActionId::NetworkPort)->trigger();
    EXPECT_EQ(offered, QStringList{QString::fromStdString(url)});
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace kovrin::test
