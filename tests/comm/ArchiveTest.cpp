// The archive of states read from switches: names every system accepts, files as Save
// writes them, listings newest first.
#include "comm/Archive.h"

#include "config/ConfigFile.h"
#include "tests/comm/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kovrin {
namespace {

namespace fs = std::filesystem;

TEST(ArchiveFolderName, EscapesWhatASystemRefusesAndGivesTheCodeBack)
{
    const struct {
        std::string code;
        std::string folder;
    } cases[] = {
        {"ATS-0001", "ATS-0001"},
        {"", "%00"},
        {"A/B\\C:D*?", "A%2FB%5CC%3AD%2A%3F"},
        {"50%", "50%25"},
        {"..", "%2E%2E"},
        {"X.", "X%2E"},
        {"X. ", "X%2E"},
        {"com3", "%63om3"},
        {"NUL.x", "%4EUL.x"},
        {std::string("\x01\xE9\x7F", 3), "%01%E9%7F"},
        {"ATS 1           ", "ATS 1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ArchiveFolderName(c.code), c.folder) << c.code;
        EXPECT_EQ(ArchiveCodeOfFolder(c.folder), c.code.substr(0, c.code.find_last_not_of(' ') + 1)) << c.folder;
    }
}

TEST(KeepState, WritesWhatSaveWritesAndListsNewestFirst)
{
    LogCapture log;
    // A name of its own, so runs side by side on one machine never share it.
    const fs::path root = fs::temp_directory_path() /
                          ("kovrin-archive-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::remove_all(root);
    const ArchiveLocation location{true, root.string()};
    ConfigRecord record;
    LoadFactoryDefaults(record);
    record.setText(field::AtsCode, "SITE/7");

    const std::time_t when = 1'800'000'000;  // 2027-01-15 08:00:00 UTC
    const std::string first = KeepState(record, location, when);
    // The same state again adds nothing, whatever its date line says.
    EXPECT_EQ(KeepState(record, location, when + 5), first);
    ConfigRecord changed = record;
    changed.setWord(12, 9);
    const std::string second = KeepState(changed, location, when);  // the same second
    const std::string later = KeepState(record, location, when + 61);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(fs::path(first).filename(), "2027-01-15_080000Z.kvnf");
    EXPECT_EQ(fs::path(second).filename(), "2027-01-15_080000Z_1.kvnf");
    EXPECT_TRUE(KeepStateOnce(changed, location, when + 70).wordsChanged);
    EXPECT_EQ(fs::path(first).parent_path().filename(), "SITE%2F7");

    std::stringstream bytes;
    {
        std::ifstream in(first, std::ios::binary);  // closed before the folder goes
        bytes << in.rdbuf();
    }
    ConfigRecord back;
    ReadConfigText(back, bytes.str());
    EXPECT_EQ(bytes.str().substr(bytes.str().find('\n')), ConfigFileText(record, {}).substr(ConfigFileText(record, {}).find('\n')));
    EXPECT_EQ(back.word(5), record.word(5));

    const std::vector<std::string> states = ListArchivedStates(location, "SITE/7");
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(states.begin() + 1, states.end()), (std::vector<std::string>{later, second, first}));
    const std::vector<ArchivedSwitch> switches = ListArchivedSwitches(location);
    ASSERT_EQ(switches.size(), 1u);
    EXPECT_EQ(switches[0].code, "SITE/7");
    EXPECT_EQ(switches[0].states, 4u);

    // Off keeps nothing; a folder that cannot be made is only logged.
    EXPECT_EQ(KeepState(record, {false, root.string()}, when), "");
    EXPECT_EQ(KeepState(record, {true, first + "/below"}, when), "");
    fs::remove_all(root);
}

} // namespace
} // namespace kovrin
