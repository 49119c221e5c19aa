#pragma once
// A main window over the scripted view and the real links, in a scratch folder of its own,
// for the bad-input tests.
#include "tests/app_logic/FakeView.h"

#include "app/logic/CommLinkService.h"
#include "app/logic/FormConfigLogic.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <unistd.h>

namespace kovrin::test {

class EdgeWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("kovrin-edges-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override
    {
        window.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    FormConfigLogic& start(const std::string& startupFile = "")
    {
        WindowEnvironment env;
        env.programFolder = (folder / "prog").string() + "/";
        env.commonDataFolder = (folder / "common").string();
        env.startupFile = startupFile;
        env.links = &links;
        env.clock = &clock;
        env.openDocument = [](const std::string&, const std::string&) { return 42u; };
        window.emplace(view, env);
        window->FormShow();
        return *window;
    }

    std::filesystem::path folder;
    FakeClock clock;
    // KOVRIN_COM1 names the device; no serial device of the machine takes part.
    CommLinkService links{clock, SystemSerialOpener(), {}, MakePortFinder("/kovrin-no-system-root", "")};
    FakeView view;
    std::optional<FormConfigLogic> window;
};

} // namespace kovrin::test
