// Command line, window creation and FormShow.
#include "WindowFixture.h"

#include "app/logic/CommandLine.h"

namespace kovrin::test {
namespace {

TEST(CommandLineTest, OnlyTheExactFirstArgumentTurnsOnDebugMode)
{
    struct Row {
        std::vector<const char*> args;
        bool debug;
        std::string file;
    } rows[] = {
        {{"kovrin"}, false, ""},
        {{"kovrin", "-debug"}, true, ""},
        {{"kovrin", "-Debug"}, false, "-Debug"},
        {{"kovrin", "/debug"}, false, "/debug"},
        {{"kovrin", "plant.kvnf", "-debug"}, false, "plant.kvnf"},
        {{"kovrin", "-debug", "plant.kvnf"}, true, ""},
    };
    for (const Row& row : rows) {
        const CommandLine line = ParseCommandLine(static_cast<int>(row.args.size()), row.args.data());
        EXPECT_EQ(line.debugMode, row.debug) << row.args.size();
        EXPECT_EQ(line.startupFile, row.file);
    }
    const std::string longName(600, 'x');
    const char* args[] = {"kovrin", longName.c_str()};
    EXPECT_EQ(ParseCommandLine(2, args).startupFile, longName);
}

TEST_F(WindowTest, StartsDisconnectedAtUserLevelWithNothingOnShow)
{
    start();
    EXPECT_EQ(window->state().caption, "Kovrin Configurator - Version 1.5.1.0");
    EXPECT_EQ(window->PortName(), "COM1");
    EXPECT_FALSE(window->Connected());
    EXPECT_EQ(window->AccessLevel(), 0);
    EXPECT_EQ(window->dataSource(), DataSource::None);
    EXPECT_FALSE(window->state().pageVisible);

    EXPECT_EQ(status().labelStatus, "Disconnect");
    EXPECT_TRUE(status().imageRed);
    EXPECT_FALSE(status().imageGreen);
    EXPECT_EQ(status().labelAccess, "User");
    EXPECT_TRUE(status().imageKeyUser);
    EXPECT_FALSE(status().imageKeyService);
    EXPECT_EQ(status().labelFile, "");
    EXPECT_FALSE(status().imageUps);
    EXPECT_FALSE(status().imageFile);

    for (const ActionInfo& a : kActions) {
        const bool off = a.id == ActionId::Download || a.id == ActionId::Upload || a.id == ActionId::Save ||
                         a.id == ActionId::SaveAs || a.id == ActionId::Settings || a.id == ActionId::Statistics ||
                         a.id == ActionId::Compare || a.id == ActionId::Report;
        EXPECT_EQ(window->state().action(a.id).enabled, !off) << a.name;
        EXPECT_EQ(window->state().action(a.id).checked, a.id == ActionId::ComPort1) << a.name;
    }

    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    EXPECT_EQ(window->record(), defaults);
    EXPECT_FALSE(window->editor().state(ControlId::GroupBox3).visible);
    EXPECT_EQ(window->editor().state(ControlId::ComboBox1).itemIndex, 0);
}

TEST_F(WindowTest, StartupFileThatCannotBeOpenedIsStillShownAsTheFile)
{
    const std::string missing = path("no-such.kvnf");
    start(missing);
    EXPECT_EQ(window->dataSource(), DataSource::File);
    EXPECT_EQ(status().labelFile, missing);
    EXPECT_TRUE(status().imageFile);
    EXPECT_FALSE(status().imageUps);
    EXPECT_TRUE(window->state().pageVisible);
    EXPECT_EQ(enabled({ActionId::Save, ActionId::SaveAs, ActionId::Settings, ActionId::Statistics, ActionId::Upload}),
              "ActionSave ActionSaveAs ActionSettings ActionStatistics ");
    EXPECT_EQ(window->record(), ConfigRecord{});  // as creation left it
}

TEST_F(WindowTest, StartupFileIsLoadedUnderTheNameAsGiven)
{
    const ConfigRecord stored = SwitchRecord();
    const std::string name = writeFile("plant.kvnf", stored);
    start(name);
    EXPECT_EQ(status().labelFile, name);
    EXPECT_EQ(window->record().word(0), 185);
    EXPECT_EQ(window->record().text(field::AtsCode), "ATS-CODE-0000001");
    EXPECT_EQ(window->editor().state(ControlId::Edit3).text, "185");
}

} // namespace
} // namespace kovrin::test
