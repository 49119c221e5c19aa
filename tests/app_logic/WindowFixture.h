#pragma once
// A main window over the scripted view and link, with a FakeClock and a scratch folder.
#include "FakeLink.h"
#include "FakeView.h"

#include "app/logic/FormConfigLogic.h"
#include "app/logic/WindowTexts.h"
#include "config/ConfigFile.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

namespace kovrin::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("kovrin-applogic-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override
    {
        window.reset();
        std::filesystem::remove_all(folder);
    }

    // Creates and shows the window, as start-up does.
    FormConfigLogic& start(const std::string& startupFile = "")
    {
        WindowEnvironment env;
        env.programFolder = (folder / "prog").string() + "/";
        env.commonDataFolder = (folder / "common").string();
        env.windowsVersion = 99;
        env.startupFile = startupFile;
        env.links = &links;
        env.clock = &clock;
        env.networkPortFile = (folder / "network-ports").string();  // never the user's list
        if (!realOpener)
            env.openDocument = [this](const std::string& dir, const std::string& file) {
                openedDocuments.push_back(dir + file);
                return shellResult;
            };
        window = std::make_unique<FormConfigLogic>(view, env);
        window->FormShow();
        return *window;
    }

    void connect()
    {
        window->ActionConnectExecute();
        ASSERT_TRUE(window->Connected());
    }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    // A file as the writer makes it, holding `record`.
    std::string writeFile(const std::string& name, const ConfigRecord& record)
    {
        std::ofstream(path(name), std::ios::binary) << ConfigFileText(record, LocalDateTime{});
        return path(name);
    }

    // Which of `ids` are enabled, as "Save SaveAs ..." for readable failures.
    std::string enabled(std::initializer_list<ActionId> ids) const
    {
        std::ostringstream out;
        for (ActionId id : ids)
            if (window->state().action(id).enabled)
                out << actionInfo(id).name << " ";
        return out.str();
    }

    const StatusBarState& status() const { return window->state().status; }

    // A record as a switch reports it.
    static ConfigRecord SwitchRecord()
    {
        ConfigRecord r;
        LoadFactoryDefaults(r);
        ClearRecord(r);
        r.setText(field::AtsCode, "ATS-CODE-0000001");
        r.setText(field::FirmwareVersion, "FW 2.07");
        r.setCode(field::IoConfiguration, '1');
        r.setCode(field::AtsType, '5');
        r.setCode(field::InputSocket, '2');
        r.setCode(field::OutputSocket, '3');
        r.setNumber(field::NominalCurrent, 32);
        r.setNumber(field::NominalVoltage, 230);
        r.setNumber(field::NominalFrequency, 50);
        const std::uint16_t words[16] = {185, 195, 250, 240, 190, 200, 255, 245, 46, 54, 47, 53, 10, 3, 90, 8};
        for (int i = 0; i < 16; ++i)
            r.setWord(i, words[i]);
        return r;
    }

    std::filesystem::path folder;
    FakeView view;
    FakeLinkService links;
    FakeClock clock;
    unsigned shellResult = 42;
    bool realOpener = false;  // true: the window's own default opener, as start-up leaves it
    std::vector<std::string> openedDocuments;
    std::unique_ptr<FormConfigLogic> window;
};

} // namespace kovrin::test
