// ActionServicePasswordExecute, ActionSettingsExecute and ActionHelpExecute.
#include "WindowFixture.h"

#include "tests/support/ScopedEnv.h"
#include "tests/support/TestFiles.h"
#include "app/logic/ScriptedView.h"

#include <functional>
#include <vector>

namespace kovrin::test {
namespace {

const std::string kWrong = "You need the service password to access service level!";

TEST_F(WindowTest, OnlyTheExactPasswordGrantsTheServiceLevel)
{
    struct Row {
        std::optional<std::string> entry;  // nullopt: Cancel
        bool granted;
        bool message;
    } rows[] = {
        {"tovel_marsk", true, false}, {"TOVEL_MARSK", false, true}, {"Tovel_marsk", false, true},
        {"tovel_marsk ", false, true}, {" tovel_marsk", false, true}, {"tovel_mars", false, true},
        {"", false, true}, {std::nullopt, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.entry.value_or("<cancel>"));
        start();
        view.messages.clear();
        view.expectPassword(row.entry);
        if (row.message)
            view.expectMessage(kWrong);
        window->ActionServicePasswordExecute();
        EXPECT_EQ(window->AccessLevel(), row.granted ? 1 : 0);
        EXPECT_EQ(view.messages.size(), row.message ? 1u : 0u);
        EXPECT_EQ(status().labelAccess, row.granted ? "Service" : "User");
        EXPECT_EQ(status().imageKeyService, row.granted);
        EXPECT_EQ(status().imageKeyUser, !row.granted);
        const ParameterEditor& e = window->editor();
        for (ControlId shown : {ControlId::GroupBox3, ControlId::Label22, ControlId::Edit17, ControlId::UpDown17,
                                ControlId::Label25, ControlId::Edit18, ControlId::UpDown18})
            EXPECT_EQ(e.state(shown).visible, row.granted) << NameOf(shown);
        for (ControlId on : {ControlId::Label14, ControlId::Edit15, ControlId::UpDown15})
            EXPECT_EQ(e.state(on).enabled, row.granted) << NameOf(on);
    }
}

TEST_F(WindowTest, TheServiceLevelNeverDropsBack)
{
    start();
    view.expectPassword("tovel_marsk");
    view.expectPassword("wrong");
    view.expectMessage(kWrong);
    view.expectPassword("tovel_marsk");
    window->ActionServicePasswordExecute();
    window->ActionServicePasswordExecute();
    EXPECT_EQ(window->AccessLevel(), 1);
    window->ActionServicePasswordExecute();
    EXPECT_EQ(window->AccessLevel(), 1);
    EXPECT_EQ(status().labelAccess, "Service");
    EXPECT_TRUE(window->state().action(ActionId::ServicePassword).enabled);
}

TEST(PropertiesContentTest, CodesSocketsAndNumbersAsTheDialogShowsThem)
{
    struct Row {
        const char* what;
        std::uint8_t io, type, input, output;
        std::uint16_t word3, current;
        std::string ioText, typeText, inputText, outputText, currentText;
    } rows[] = {
        {"single phase ATS", '1', '5', '3', '2', 999, 16, "Monophase/Monophase", "Automatic Transfer Switch", "3", "2", "16"},
        {"three phase STS", '4', '6', '7', '0', 248, 63, "Threephase/Threephase", "Static Transfer Switch", "7", "0", "63"},
        {"socket 0 from word 3", '1', '5', '0', '1', 248, 100, "Monophase/Monophase", "Automatic Transfer Switch", "20", "1", "100"},
        {"socket 0, word 3 rounds down", '1', '5', '0', '1', 251, 100, "Monophase/Monophase", "Automatic Transfer Switch", "20", "1", "100"},
        {"unknown codes", '2', '7', 0xFF, '/', 248, 0xFFFF, "", "", "207", "-1", "65535"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ConfigRecord r;
        r.setCode(field::IoConfiguration, row.io);
        r.setCode(field::AtsType, row.type);
        r.setCode(field::InputSocket, row.input);
        r.setCode(field::OutputSocket, row.output);
        r.setWord(3, row.word3);
        r.setNumber(field::NominalCurrent, row.current);
        const PropertiesContent c = MakePropertiesContent(r);
        EXPECT_EQ(c.value("EditIOConf"), row.ioText);
        EXPECT_EQ(c.value("EditUpsType"), row.typeText);
        EXPECT_EQ(c.value("EditBattNum"), row.inputText);
        EXPECT_EQ(c.value("EditBattBench"), row.outputText);
        EXPECT_EQ(c.value("EditNomPowerVA"), row.currentText);
        EXPECT_EQ(c.record, r);
    }
}

TEST(PropertiesContentTest, FactoryDefaultsShowAllOnes)
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    const PropertiesContent c = MakePropertiesContent(r);
    for (const char* edit : {"EditNomPowerVA", "EditNomPowerW", "EditNomBattVolt"})
        EXPECT_EQ(c.value(edit), "65535") << edit;
    EXPECT_EQ(c.value("EditIOConf"), "");
    EXPECT_EQ(c.value("EditUpsType"), "");
    EXPECT_EQ(c.value("EditBattNum"), "207");
    EXPECT_EQ(c.value("EditBattBench"), "207");
    EXPECT_EQ(c.value("EditFirmware"), "ÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿ");  // 0xFF in the switch's character set
}

TEST_F(WindowTest, PropertiesShowTheRecordOfTheMomentUnchangedByEditing)
{
    start();
    links.script.switchRecord = SwitchRecord();
    connect();
    window->ActionDownloadExecute();
    window->editor().UserMoveScrollBar(ControlId::ScrollBar2, 260);
    view.expectProperties();
    window->ActionSettingsExecute();
    ASSERT_TRUE(view.properties);
    EXPECT_EQ(view.properties->value("EditFirmware"), "FW 2.07");
    EXPECT_EQ(view.properties->value("EditNomPowerW"), "230");
    EXPECT_EQ(view.properties->value("EditBattNum"), "2");
    EXPECT_EQ(view.properties->record, window->record());
}

TEST_F(WindowTest, HelpReportsWhatTheShellCouldNotOpen)
{
    struct Row {
        unsigned shell;
        bool message;
    } rows[] = {{42, false}, {33, false}, {32, true}, {2, true}, {31, true}};
    for (const Row& row : rows) {
        start();
        shellResult = row.shell;
        view.messages.clear();
        const std::string manual = path("prog/") + "Manual.pdf";
        const std::string text = "Can't open file " + manual + ": error " + std::to_string(row.shell);
        if (row.message)
            view.expectMessage(text);
        window->ActionHelpExecute();
        EXPECT_EQ(openedDocuments.back(), manual);
        if (row.message) {
            EXPECT_EQ(view.messages.back().title, "Tarvix Configurator");
            EXPECT_EQ(view.messages.back().icon, MessageIcon::Error);
        }
    }
}

#ifndef _WIN32
// Through the opener start-up leaves in place: a stand-in desktop opener on PATH records
// what it was asked to open. (Windows hands the file to the shell; the seam tests cover it.)
TEST_F(WindowTest, HelpHandsTheManualFileToTheDesktopOpener)
{
    std::filesystem::create_directories(folder / "prog");
    std::filesystem::create_directories(folder / "bin");
    WriteFileBytes(folder / "prog" / "Manual.pdf", "%PDF-1.4\n");
    const std::string opener = path("bin/xdg-open");
    WriteFileBytes(opener, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + path("asked") + "'\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    ScopedEnv searchPath("PATH", path("bin"));
    realOpener = true;
    start();
    window->ActionHelpExecute();  // no message expected
    EXPECT_EQ(ReadFileBytes(path("asked")), path("prog/Manual.pdf") + "\n");
}
#endif

TEST_F(WindowTest, SettingsReportSavesTheValuesOnScreenAndOpensThePage)
{
    start(writeFile("site.kvnf", SwitchRecord()));
    ASSERT_TRUE(window->state().action(ActionId::Report).enabled);
    EXPECT_FALSE(window->state().action(ActionId::Compare).enabled);  // not connected
    // What the report shows is what the window shows, not what the file held.
    window->editor().UserMoveScrollBar(ControlId::ScrollBar1, 188);
    view.expectSaveDialog(std::nullopt);
    window->RunAction(ActionId::Report);
    EXPECT_TRUE(openedDocuments.empty());

    view.expectSaveDialog(path("handover"));
    window->RunAction(ActionId::Report);
    ASSERT_EQ(openedDocuments, std::vector<std::string>{path("handover.html")});
    const std::string page = kovrin::test::ReadFileBytes(path("handover.html"));
    EXPECT_NE(page.find("<td class=\"n\">188</td>"), std::string::npos);
    EXPECT_NE(page.find("ATS-CODE-0000001"), std::string::npos);
}

} // namespace
} // namespace kovrin::test

namespace kovrin {

// A scripted run answers every prompt in front of the view (none reaches it, so nothing
// waits for a click) and writes each to standard error. (Without the switch every other
// test goes through the same object to its view.)
TEST(ScriptedViewTest, AnswersEveryPromptInFrontOfTheView)
{
    struct Prompt {
        const char* printed;
        std::function<void(MainView&)> ask;
    };
    const std::vector<Prompt> prompts = {
        {"[Q] Sure?", [](MainView& v) {
             EXPECT_EQ(v.showMessage({"Q", "Sure?", MessageIcon::Question, MessageButtons::YesNo}), MessageResult::Yes);
         }},
        {"[Open] cancelled", [](MainView& v) { EXPECT_FALSE(v.runOpenDialog({"Open", "", "", ""})); }},
        {"[Save] cancelled", [](MainView& v) { EXPECT_FALSE(v.runSaveDialog({"Save", "", "", ""})); }},
        {"[Password] cancelled", [](MainView& v) { EXPECT_FALSE(v.runPasswordDialog(PasswordDialogTexts{})); }},
        {"[Properties] closed", [](MainView& v) { v.runPropertiesDialog(MakePropertiesContent(ConfigRecord{})); }},
        {"[Compare with ATS]", [](MainView& v) {
             CompareContent content;
             content.caption = "Compare with ATS";
             v.showComparison(content);
         }},
        {"link lost", [](MainView& v) { v.showException("link lost"); }},
    };
    for (const Prompt& p : prompts) {
        test::FakeView view;
        ScriptedView scripted(view);
        const test::ScopedEnv scriptedRun("KOVRIN_AUTO_DISMISS", "1");
        testing::internal::CaptureStderr();
        p.ask(scripted);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_NE(printed.find(p.printed), std::string::npos) << printed;
        EXPECT_TRUE(view.events.empty() && view.messages.empty() && view.exceptions.empty()) << p.printed;
    }
}

} // namespace kovrin
