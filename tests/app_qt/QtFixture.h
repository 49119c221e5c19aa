#pragma once
// Offscreen main window over a link service that always opens and hands out a fixed
// record, with a clock that never really waits.
#include "app/qt/LomarForm.h"
#include "platform/Clock.h"

#include <QApplication>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <gtest/gtest.h>

namespace kovrin::test {

class StillLinkService final : public LinkService {
public:
    ConfigRecord switchRecord;
    int opened = 0;
    bool throwOnCreate = false;

    std::unique_ptr<Link> CreateLink() override
    {
        if (throwOnCreate)
            throw std::runtime_error("link object not available");
        return std::make_unique<StillLink>(*this);
    }
    void DebugLog(const std::string&) override {}
    // COM1 stands for a cable; the other numbers for nothing.
    PortScan ScanPorts() override
    {
        PortScan scan;
        for (int n = 1; n <= kComPortCount; ++n)
            scan.ports[static_cast<std::size_t>(n - 1)].number = n;
        scan.ports[0] = {1, "/dev/ttyUSB0", "FT232R USB UART", "usb-A", true, true, false, true, {}};
        return scan;
    }

private:
    class StillLink final : public Link {
    public:
        explicit StillLink(StillLinkService& s) : s_(s) {}
        bool Open(const std::string&) override { return ++s_.opened > 0; }
        void Close() override {}
        LinkFailure Download(ConfigRecord& record, TransferObserver& observer) override
        {
            for (int w = 0; w < kParameterWordCount; ++w)
                observer.wordTransferred(w);
            record = s_.switchRecord;
            return LinkFailure::None;
        }
        LinkFailure Upload(const ConfigRecord&, TransferObserver&) override { return LinkFailure::None; }

    private:
        StillLinkService& s_;
    };
};

// One QApplication for the whole test binary. It is never destroyed: tearing it down
// among the other statics at exit would crash after the tests have passed.
inline QApplication& TestApp()
{
    static int argc = 1;
    static char name[] = "app_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        WindowEnvironment env;
        env.programFolder = "/nonexistent/";
        env.links = &links;
        env.clock = &clock;
        env.openDocument = [](const std::string&, const std::string&) { return 2u; };
        form = std::make_unique<TFormConfig>(std::move(env));
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override { form.reset(); }

    template <typename T = QWidget>
    T* child(const char* name) const
    {
        return form->findChild<T*>(QString::fromLatin1(name));
    }

    // Runs `answer` on the next modal dialog the window opens (from inside its exec()).
    static void OnNextModal(std::function<void(QWidget*)> answer)
    {
        QTimer::singleShot(0, [answer] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            answer(modal);
        });
    }

    StillLinkService links;
    FakeClock clock;
    std::unique_ptr<TFormConfig> form;
};

} // namespace kovrin::test
