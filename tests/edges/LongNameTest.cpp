// Start-up arguments and file names far beyond the 200-character name buffer: each is
// kept whole or refused with the program's message, never cut into another file's name.
#include "tests/edges/EdgeWindow.h"

#include "app/logic/CommandLine.h"
#include "config/ConfigFile.h"

#include <fstream>

namespace kovrin::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCannotSave = "Cannot save configuraton file: filename cannot be open!";

// A path of exactly `length` characters under `base`, in folders of at most 200-character
// names so that every component is one the system accepts (the folders are created).
std::string PathOfLength(const fs::path& base, std::size_t length)
{
    std::string path = base.string();
    while (length - path.size() > 201) {
        path += "/" + std::string(200, 'd');
        if (path.size() < 4000)  // deeper than the system's path limit nothing can be made
            fs::create_directory(path);
    }
    path += "/" + std::string(length - path.size() - 1, 'n');
    return path;
}

ConfigRecord SampleRecord()
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    r.setText(field::AtsCode, "LONG-NAME-000001");
    return r;
}

// The sample as a file gives it back: the texts only as far as the file carries them.
ConfigRecord SampleAsRead()
{
    ConfigRecord r;
    ReadConfigText(r, ConfigFileText(SampleRecord(), LocalDateTime{}));
    return r;
}

void WriteSample(const std::string& path)
{
    std::ofstream(path, std::ios::binary) << ConfigFileText(SampleRecord(), LocalDateTime{});
}

class LongStartupArgument : public EdgeWindowTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongStartupArgument, IsKeptWholeAndLoadedWhenItNamesAFile)
{
    const std::size_t length = GetParam();
    const std::string argument = PathOfLength(folder, length);
    ASSERT_EQ(argument.size(), length);
    // Up to the system's path limit the argument names a real file; beyond it, no file can exist.
    const bool exists = length < 4096;
    if (exists)
        WriteSample(argument);

    const char* argv[] = {"kovrin", argument.c_str()};
    const CommandLine cmd = ParseCommandLine(2, argv);
    EXPECT_FALSE(cmd.debugMode);
    ASSERT_EQ(cmd.startupFile, argument);

    FormConfigLogic& w = start(cmd.startupFile);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(w.state().status.labelFile, argument);
    EXPECT_EQ(w.dataSource(), DataSource::File);
    if (exists) {
        EXPECT_EQ(w.record(), SampleAsRead());
    } else {
        EXPECT_EQ(w.record(), ConfigRecord{});
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongStartupArgument, ::testing::Values(255u, 256u, 10000u),
                         [](const auto& info) { return "Chars" + std::to_string(info.param); });

struct NameCase {
    const char* name;
    std::size_t pathLength;  // the whole path, through folders of 200-character names
    std::size_t ownLength;   // or: the file's own name, directly in the scratch folder
    bool valid;
};

class LongFileName : public EdgeWindowTest, public ::testing::WithParamInterface<NameCase> {
protected:
    std::string name()
    {
        const NameCase& c = GetParam();
        if (c.pathLength > 0)
            return PathOfLength(folder, c.pathLength);
        return (folder / std::string(c.ownLength, 'f')).string();
    }
    // Open offers to save first while a configuration is on screen.
    void expectOfferToSave(const FormConfigLogic& w)
    {
        if (w.state().pageVisible)
            view.expectQuestion("Do you want to save actual data?", false);
    }
    // A failed save must not leave its temporary file behind.
    static int FilesIn(const fs::path& dir)
    {
        int n = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            n += e.is_regular_file();
        return n;
    }
};

TEST_P(LongFileName, SaveAsThenOpen)
{
    const NameCase& c = GetParam();
    const std::string file = name();
    FormConfigLogic& w = start();  // the factory defaults in the record
    const ConfigRecord shown = w.record();
    const int filesBefore = FilesIn(folder);

    view.expectSaveDialog(file);
    if (!c.valid)
        view.expectMessage(kCannotSave);
    w.ActionSaveAsExecute();
    EXPECT_TRUE(view.scriptDone());
    EXPECT_EQ(w.state().status.labelFile, file);
    EXPECT_EQ(w.dataSource(), DataSource::File);
    EXPECT_EQ(FilesIn(folder), filesBefore + (c.valid ? 1 : 0));
    if (c.valid) {
        ConfigRecord saved;
        ASSERT_EQ(ReadConfigFile(saved, file), ReadResult::Read);
        EXPECT_EQ(saved.word(0), shown.word(0));
    }

    // Another file on screen first, then the long name: read back, or (no such file)
    // the record on screen stays while the name shows.
    const std::string other = (folder / "other.kvnf").string();
    WriteSample(other);
    expectOfferToSave(w);
    view.expectOpenDialog(other);
    w.ActionOpenExecute();
    ASSERT_EQ(w.record(), SampleAsRead());
    expectOfferToSave(w);
    view.expectOpenDialog(file);
    w.ActionOpenExecute();
    EXPECT_TRUE(view.scriptDone());
    EXPECT_EQ(w.state().status.labelFile, file);
    if (c.valid) {
        ConfigRecord saved;
        ReadConfigFile(saved, file);
        EXPECT_EQ(w.record(), saved);
    } else {
        EXPECT_EQ(w.record(), SampleAsRead());
    }

    // Save goes back to the name as shown: the question quotes it whole.
    if (c.valid)
        view.expectQuestion(file + ": File already exist! Do you want replace it?", true);
    else
        view.expectMessage(kCannotSave);
    w.ActionSaveExecute();
    EXPECT_TRUE(view.scriptDone());
    EXPECT_EQ(w.state().status.labelFile, file);
}

const NameCase kNames[] = {
    {"Path201", 201, 0, true},
    {"Path1000", 1000, 0, true},
    {"OwnName255", 0, 255, true},   // the longest name the system takes
    {"OwnName256", 0, 256, false},  // one character over it
    {"Path5000", 5000, 0, false},   // over the system's path limit
};

INSTANTIATE_TEST_SUITE_P(Names, LongFileName, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kovrin::test
