// Takes the pictures of the manual: the main window after a download from the switch
// on COM1 (point KOVRIN_COM1 at a simulated switch), optionally at the Service level.
//   kovrin-screenshot OUT.png [--service] [--properties PROPS.png]
#include "app/qt/LomarForm.h"
#include "app/logic/CommLinkService.h"
#include "app/logic/WindowTexts.h"
#include "platform/Folders.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

namespace {

// Runs `answer` on the modal dialog a command is about to open.
void OnNextModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(50, [answer] {
        if (QWidget* modal = QApplication::activeModalWidget())
            answer(modal);
    });
}

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.png [--service] [--properties PROPS.png]\n", argv[0]);
        return 2;
    }
    const char* out = argv[1];
    bool service = false;
    const char* properties = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--service") == 0)
            service = true;
        else if (std::strcmp(argv[i], "--properties") == 0 && i + 1 < argc)
            properties = argv[++i];
    }
    QApplication app(argc, argv);
    kovrin::CommLinkService links;
    kovrin::WindowEnvironment env;
    env.programFolder = kovrin::ProgramFolder();
    env.commonDataFolder = kovrin::CommonDataFolder();
    env.links = &links;
    kovrin::TFormConfig form(std::move(env));
    form.show();
    Settle();

    form.logic().ActionConnectExecute();
    form.logic().ActionDownloadExecute();
    if (form.logic().dataSource() != kovrin::DataSource::Switch) {
        std::fprintf(stderr, "download failed: is KOVRIN_COM1 pointing at a switch?\n");
        return 1;
    }
    if (service) {
        OnNextModal([](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("EditPassword")->setText(QString::fromUtf8(kovrin::text::kServicePassword.data()));
            dialog->findChild<QPushButton*>("BtnOk")->click();
        });
        form.logic().ActionServicePasswordExecute();
    }
    Settle();
    if (!form.grab().save(QString::fromLocal8Bit(out))) {
        std::fprintf(stderr, "cannot write %s\n", out);
        return 1;
    }
    if (properties != nullptr) {
        OnNextModal([properties](QWidget* dialog) {
            Settle();
            dialog->grab().save(QString::fromLocal8Bit(properties));
            static_cast<QDialog*>(dialog)->accept();
        });
        form.logic().ActionSettingsExecute();
    }
    form.logic().ActionDisconnectExecute();
    return 0;
}
