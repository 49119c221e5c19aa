// ActionDownloadExecute and ActionUploadExecute over the scripted link.
#include "WindowFixture.h"

#include "comm/ChangedUpload.h"

namespace kovrin::test {
namespace {

const std::initializer_list<ActionId> kLinkActions{ActionId::Connect, ActionId::Download, ActionId::Upload};

std::vector<std::string> TransferEvents(const std::string& caption, const std::string& step)
{
    std::vector<std::string> e{"create " + caption, "range 0 16", "pos 0", "show", "repaint"};
    for (int p = 1; p <= 16; ++p) {
        e.push_back("pos " + std::to_string(p));
        e.push_back("label " + step);
        e.push_back("repaint");
    }
    e.push_back("close");
    return e;
}

TEST_F(WindowTest, DownloadFillsTheRecordAndShowsIt)
{
    start();
    links.script.switchRecord = SwitchRecord();
    connect();
    view.events.clear();

    window->ActionDownloadExecute();  // nothing on show: no question
    EXPECT_EQ(view.events, TransferEvents("Configuration records downloading",
                                          "Please wait ...  configuration records downloading"));
    EXPECT_EQ(window->record(), SwitchRecord());
    EXPECT_EQ(window->dataSource(), DataSource::Switch);
    EXPECT_EQ(status().labelFile, "Data from ATS");
    EXPECT_TRUE(status().imageUps);
    EXPECT_FALSE(status().imageFile);
    EXPECT_TRUE(window->state().pageVisible);
    EXPECT_EQ(enabled({ActionId::Save, ActionId::SaveAs, ActionId::Settings, ActionId::Statistics, ActionId::Upload}),
              "ActionSave ActionSaveAs ActionSettings ActionStatistics ActionUpload ");
    EXPECT_EQ(window->editor().state(ControlId::Edit3).text, "185");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(WindowTest, DownloadAsksToSaveWhatIsOnShowAndGoesOnAfterCancel)
{
    start();
    window->ActionNewExecute();
    links.script.switchRecord = SwitchRecord();
    connect();
    view.expectQuestion("Do you want to save actual data?", true);
    view.expectSaveDialog(std::nullopt);
    window->ActionDownloadExecute();
    EXPECT_EQ(window->record(), SwitchRecord());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(WindowTest, FailedTransferDisposesOfTheLinkAndLeavesTheRecord)
{
    struct Row {
        bool upload;
        LinkFailure failure;
        int atWord;
        std::string message;
    } rows[] = {
        {false, LinkFailure::FreeBuffer, 0, "Error in FreeBuffer serial port"},
        {false, LinkFailure::WriteBuffer, 5, "Error in WriteBuffer serial port"},
        {false, LinkFailure::ReadBuffer, 15, "Error in ReadBuffer serial port"},
        {true, LinkFailure::FreeBuffer, 0, "Error in FreeBuffer serial port"},
        {true, LinkFailure::WriteBuffer, 7, "Error in WriteBuffer serial port"},
        {true, LinkFailure::ReadBuffer, 3, "Error in ReadBuffer serial port"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message + (row.upload ? " upload" : " download"));
        links = FakeLinkService{};
        start();
        window->ActionNewExecute();
        connect();
        const ConfigRecord before = window->record();
        links.script.switchRecord = SwitchRecord();
        links.script.failure = row.failure;
        links.script.failAtWord = row.atWord;
        view.events.clear();

        // After the link's message, a cut-off upload says what the switch now holds.
        const std::string unfinished = "message " + UnfinishedFullUploadText(row.atWord, "the values on screen");
        if (row.upload) {
            view.expectQuestion("Are you sure to upload values to ATS?", true);
            view.expectMessage(row.message);
            view.expectMessage(unfinished.substr(8));
            window->ActionUploadExecute();
            ASSERT_FALSE(view.events.empty());
            EXPECT_EQ(view.events.back(), unfinished);
            view.events.pop_back();
        } else {
            view.expectQuestion("Do you want to save actual data?", false);
            view.expectMessage(row.message);
            window->ActionDownloadExecute();
        }
        EXPECT_EQ(view.messages.back().title, "Tarvix configurator");
        EXPECT_EQ(view.messages.back().icon, MessageIcon::Error);
        // The box comes while the dialog is up, the dialog goes after it.
        ASSERT_GE(view.events.size(), 2u);
        EXPECT_EQ(view.events[view.events.size() - 2], "message " + row.message);
        EXPECT_EQ(view.events.back(), "close");
        EXPECT_EQ(view.count("label " + std::string(row.upload ? "Please wait ...  configuration records uploading"
                                                               : "Please wait ...  configuration records downloading")),
                  row.atWord);

        EXPECT_EQ(window->record(), before);
        EXPECT_EQ(status().labelFile, "Default data");
        EXPECT_EQ(links.calls.back(), "destroy 1");
        EXPECT_EQ(links.calls[links.calls.size() - 2], "close 1");
        EXPECT_EQ(links.live, 0);
        EXPECT_FALSE(window->Connected());
        EXPECT_EQ(status().labelStatus, "Disconnect");
        EXPECT_TRUE(status().imageRed);
        EXPECT_EQ(enabled(kLinkActions), "ActionConnect ");

        // Nothing later touches the disposed link; a new Connect makes a new one.
        const std::size_t calls = links.calls.size();
        window->ActionDisconnectExecute();
        window->RunAction(ActionId::Download);
        EXPECT_EQ(links.calls.size(), calls);
        links.script.failure = LinkFailure::None;
        window->ActionConnectExecute();
        EXPECT_EQ(links.calls.back(), "open 2 COM1");
        EXPECT_EQ(enabled(kLinkActions), "ActionDownload ActionUpload ");
        window->ActionExitExecute();
    }
}

TEST_F(WindowTest, UploadSendsTheWordsOnScreen)
{
    start();
    links.script.switchRecord = SwitchRecord();
    connect();
    window->ActionDownloadExecute();
    window->editor().UserMoveScrollBar(ControlId::ScrollBar1, 190);
    view.events.clear();

    view.expectQuestion("Are you sure to upload values to ATS?", true);
    window->ActionUploadExecute();
    EXPECT_EQ(view.focus.front(), "PageControl1");
    EXPECT_EQ(view.messages.back().icon, MessageIcon::Question);
    ASSERT_EQ(links.uploaded.size(), 16u);
    EXPECT_EQ(links.uploaded[0], 190);
    EXPECT_EQ(links.uploaded[1], 200);  // return voltage follows the moved threshold
    EXPECT_EQ(links.uploaded[15], 8);
    std::vector<std::string> expected = TransferEvents("Configuration records uploading",
                                                       "Please wait ...  configuration records uploading");
    expected.insert(expected.begin(), "message Are you sure to upload values to ATS?");
    EXPECT_EQ(view.events, expected);
    EXPECT_TRUE(window->Connected());
    EXPECT_EQ(window->dataSource(), DataSource::Switch);
}

TEST_F(WindowTest, UploadStopsBeforeSendingOnABrokenRuleOrNo)
{
    start();
    links.script.switchRecord = SwitchRecord();
    connect();
    window->ActionDownloadExecute();

    view.expectQuestion("Are you sure to upload values to ATS?", false);
    window->ActionUploadExecute();

    window->editor().UserMoveUpDown(ControlId::UpDown7, 60);  // Input B minimum above its maximum
    view.expectMessage("Frequency threshold minimum must be <= of threshold maximum");
    window->ActionUploadExecute();
    EXPECT_EQ(view.focus.back(), "Edit7");

    EXPECT_EQ(window->record(), SwitchRecord());
    EXPECT_EQ(links.calls.back(), "download 1");
}

} // namespace
TEST_F(WindowTest, CompareListsWhatTheSwitchHoldsOtherwiseAndFailsAsDownloadDoes)
{
    start();
    window->ActionNewExecute();
    connect();
    ASSERT_TRUE(window->state().action(ActionId::Compare).enabled);
    const ConfigRecord onScreen = window->record();
    ConfigRecord held = onScreen;
    held.setWord(12, 9);
    held.setWord(13, 7);
    links.script.switchRecord = held;
    view.expectMessage("Parameter: On screen / On ATS\nMaxDisplacementAngle: 4 / 9 degrees\nBreakingTime: 2 / 7 ms\n"
                       "2 parameter(s) differ");
    window->RunAction(ActionId::Compare);
    EXPECT_EQ(window->record(), onScreen);  // comparing changes nothing on screen
    EXPECT_TRUE(window->Connected());

    links.script.failure = LinkFailure::ReadBuffer;
    links.script.failAtWord = 3;
    view.expectMessage("Error in ReadBuffer serial port");
    window->RunAction(ActionId::Compare);
    EXPECT_FALSE(window->Connected());
    EXPECT_EQ(links.live, 0);
    EXPECT_EQ(enabled({ActionId::Connect, ActionId::Download, ActionId::Compare}), "ActionConnect ");
}

} // namespace kovrin::test
