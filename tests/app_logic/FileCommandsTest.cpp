// ActionNewExecute, ActionOpenExecute, ActionSaveExecute, ActionSaveAsExecute and the
// offer to save, against real files.
#include "WindowFixture.h"
#include "tests/support/TestFiles.h"

namespace kovrin::test {
namespace {

const std::string kOverwrite = ": File already exist! Do you want replace it?";
const std::initializer_list<ActionId> kFileActions{ActionId::Save, ActionId::SaveAs, ActionId::Settings,
                                                   ActionId::Statistics};

TEST_F(WindowTest, NewShowsTheDefaultsWithoutAskingWhenNothingIsOnShow)
{
    start();
    window->ActionNewExecute();
    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    EXPECT_EQ(window->record(), defaults);
    EXPECT_EQ(window->dataSource(), DataSource::Defaults);
    EXPECT_EQ(status().labelFile, "Default data");
    EXPECT_FALSE(status().imageFile);
    EXPECT_FALSE(status().imageUps);
    EXPECT_TRUE(window->state().pageVisible);
    EXPECT_EQ(enabled(kFileActions), "ActionSave ActionSaveAs ");  // Properties stays as it was
    EXPECT_EQ(window->editor().state(ControlId::Edit4).text, "258");
}

TEST_F(WindowTest, OfferToSaveWritesTheScreenOnlyOnYesAndAName)
{
    struct Row {
        bool yes;
        std::optional<std::string> dialog;  // not asked when !yes
        bool written;
    } rows[] = {{false, {}, false}, {true, std::nullopt, false}, {true, "offered.kvnf", true}};
    for (const Row& row : rows) {
        start();
        window->ActionNewExecute();
        // Break a rule on screen: the offer stores and writes it all the same.
        window->editor().UserMoveUpDown(ControlId::UpDown1, 50);
        window->editor().UserMoveUpDown(ControlId::UpDown2, 50);
        window->editor().UserMoveUpDown(ControlId::UpDown1, 60);
        const std::string target = path("offered.kvnf");
        std::filesystem::remove(target);

        view.expectQuestion("Do you want to save actual data?", row.yes);
        if (row.yes)
            view.expectSaveDialog(row.dialog ? std::optional(path(*row.dialog)) : std::nullopt);
        window->ActionNewExecute();
        EXPECT_EQ(view.messages.front().icon, MessageIcon::Information);
        EXPECT_EQ(std::filesystem::exists(target), row.written);
        if (row.written) {
            ConfigRecord saved;
            ReadConfigFile(saved, target);
            EXPECT_EQ(saved.word(8), 60);
            EXPECT_EQ(view.dialogs.back().title, "Save ATS Configuration file");
            EXPECT_EQ(view.dialogs.back().initialFolder, "");  // the offer never sets it
        }
        EXPECT_EQ(status().labelFile, "Default data");
        EXPECT_EQ(window->record().word(8), 45);  // New went on
        view.messages.clear();
    }
}

TEST_F(WindowTest, OpenReadsTheFileAndCancelChangesNothing)
{
    start();
    view.expectOpenDialog(std::nullopt);
    window->ActionOpenExecute();
    EXPECT_EQ(window->dataSource(), DataSource::None);
    EXPECT_FALSE(window->state().pageVisible);

    const std::string name = writeFile("switch.kvnf", SwitchRecord());
    view.expectOpenDialog(name);
    window->ActionOpenExecute();
    EXPECT_EQ(view.dialogs.back().title, "Open ATS Configuration file");
    EXPECT_EQ(view.dialogs.back().filter, "ATS Configuration file (.kvnf) | *.kvnf");
    EXPECT_EQ(view.dialogs.back().defaultExtension, "*.kvnf");
    EXPECT_EQ(window->dataSource(), DataSource::File);
    EXPECT_EQ(status().labelFile, name);
    EXPECT_TRUE(status().imageFile);
    EXPECT_EQ(enabled(kFileActions), "ActionSave ActionSaveAs ActionSettings ActionStatistics ");
    EXPECT_EQ(window->record().text(field::FirmwareVersion), "FW 2.07");
    EXPECT_EQ(window->editor().state(ControlId::Edit6).text, "240");

    // A typed name that does not exist: record kept, name shown.
    const ConfigRecord before = window->record();
    view.expectQuestion("Do you want to save actual data?", false);
    view.expectOpenDialog(path("typo.kvnf"));
    window->ActionOpenExecute();
    EXPECT_EQ(window->record(), before);
    EXPECT_EQ(status().labelFile, path("typo.kvnf"));
}

TEST_F(WindowTest, SaveAfterOpenAsksBeforeReplacingTheCurrentFileEveryTime)
{
    const std::string name = writeFile("switch.kvnf", SwitchRecord());
    start(name);
    const std::string original = ReadFileBytes(name);
    window->editor().UserMoveScrollBar(ControlId::ScrollBar1, 181);

    view.expectQuestion(name + kOverwrite, false);
    window->ActionSaveExecute();
    EXPECT_EQ(view.messages.back().icon, MessageIcon::Question);
    EXPECT_EQ(ReadFileBytes(name), original);

    view.expectQuestion(name + kOverwrite, true);
    window->ActionSaveExecute();
    ConfigRecord saved;
    ReadConfigFile(saved, name);
    EXPECT_EQ(saved.word(0), 181);
    EXPECT_EQ(saved.word(256), SwitchRecord().word(256));  // editing never touches the sum
    EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(WindowTest, SaveOfNewDataAsksForANameInTheDataFolder)
{
    struct Row {
        unsigned windowsVersion;
        std::string folder;  // relative to the scratch folder
    } rows[] = {{99, "common"}, {6, "common"}, {5, "prog/"}};
    for (const Row& row : rows) {
        WindowEnvironment env;
        env.programFolder = path("prog/");
        env.commonDataFolder = path("common");
        env.windowsVersion = row.windowsVersion;
        env.links = &links;
        env.clock = &clock;
        window = std::make_unique<FormConfigLogic>(view, env);
        window->FormShow();
        window->ActionNewExecute();

        view.expectSaveDialog(std::nullopt);
        window->ActionSaveExecute();
        EXPECT_EQ(view.dialogs.back().initialFolder, path(row.folder));
        EXPECT_EQ(window->dataSource(), DataSource::Defaults);

        const std::string target = path("new-" + std::to_string(row.windowsVersion) + ".kvnf");
        view.expectSaveDialog(target);
        window->ActionSaveExecute();
        EXPECT_TRUE(std::filesystem::exists(target));
        EXPECT_EQ(window->dataSource(), DataSource::File);
        EXPECT_EQ(status().labelFile, target);
        EXPECT_TRUE(status().imageFile);
    }
}

TEST_F(WindowTest, SaveAsOntoAnExistingFileAsksOnceAndNoKeepsTheFile)
{
    start();
    window->ActionNewExecute();
    const std::string other = writeFile("other.kvnf", SwitchRecord());
    const std::string original = ReadFileBytes(other);

    view.expectSaveDialog(other);
    view.expectQuestion(other + kOverwrite, false);
    window->ActionSaveAsExecute();
    EXPECT_EQ(ReadFileBytes(other), original);
    EXPECT_EQ(status().labelFile, other);  // the chosen name is shown all the same
    EXPECT_EQ(window->dataSource(), DataSource::File);

    view.expectSaveDialog(std::nullopt);
    window->ActionSaveAsExecute();
    EXPECT_EQ(status().labelFile, other);
}

TEST_F(WindowTest, SaveIsRefusedWhileARuleIsBroken)
{
    const std::string empty = path("empty.kvnf");
    std::ofstream(empty).close();
    start(empty);
    for (auto save : {&FormConfigLogic::ActionSaveExecute, &FormConfigLogic::ActionSaveAsExecute}) {
        view.expectMessage("Voltage threshold minimum must be < of return voltage");
        (window.get()->*save)();
        EXPECT_EQ(view.messages.back().title, "Kovrin configurator");
        EXPECT_EQ(view.messages.back().icon, MessageIcon::Error);
        EXPECT_EQ(view.focus.back(), "Edit3");
    }
    EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(WindowTest, SaveToAFolderThatCannotBeWrittenReportsIt)
{
    start();
    window->ActionNewExecute();
    const std::string target = path("missing-folder/x.kvnf");
    view.expectSaveDialog(target);
    view.expectMessage("Cannot save configuraton file: filename cannot be open!");
    window->ActionSaveAsExecute();
    EXPECT_EQ(view.messages.back().title, "Tarvix configurator");
    EXPECT_FALSE(std::filesystem::exists(target));
}

} // namespace
} // namespace kovrin::test
