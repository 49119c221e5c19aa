#include "config/ConfigFile.h"
#include "tests/support/TestFiles.h"
#include "config/DecimalText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace kovrin;
namespace fs = std::filesystem;

namespace {

fs::path dataFile(const char* name)
{
    return fs::path(KOVRIN_CONFIG_TEST_DATA) / name;
}

// Records what the writer told the user; answers the overwrite question as told.
struct ScriptedPrompts : FilePrompts {
    bool answer = false;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    bool AskOverwrite(std::string_view q) override
    {
        questions.emplace_back(q);
        return answer;
    }
};

SaveTimeSource fixedTime(LocalDateTime t)
{
    return [t] { return t; };
}

class ConfigFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("kovrin-cfg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::size_t entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    fs::path dir;
};

ConfigRecord switchRecord()
{
    ConfigRecord r;
    r.setText(field::AtsCode, "ABCDEFGHIJKLMNOP");
    r.setText(field::AtsModel, "TS 40");
    r.setText(field::FirmwareVersion, "FW 01.02.03");
    r.setCode(field::IoConfiguration, '1');
    r.setCode(field::AtsType, '5');
    r.setCode(field::InputSocket, '0');
    r.setCode(field::OutputSocket, '3');
    const std::uint16_t words[16] = {185, 195, 260, 250, 182, 192, 256, 246, 47, 53, 46, 54, 30, 5, 90, 16};
    for (int n = 0; n < 16; ++n)
        r.setWord(n, words[n]);
    r.setWord(256, 1597);
    return r;
}

// A file of the writer's shape with the given record lines after the nine header lines.
std::string fileWithLines(const std::vector<std::string>& lines, const char* eol = "\n")
{
    std::string out;
    for (const std::string& l : lines)
        out += l + eol;
    return out;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(ConfigFileText, MatchesTheGoldenFilesByteForByte)
{
    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    EXPECT_EQ(ConfigFileText(defaults, {7, 12, 2026, 9, 5, 3}), kovrin::test::ReadFileBytes(dataFile("defaults.kvnf")));
    EXPECT_EQ(ConfigFileText(switchRecord(), {31, 1, 2027, 23, 59, 58}), kovrin::test::ReadFileBytes(dataFile("switch.kvnf")));
}

TEST(ConfigFileText, CodesOfZeroWriteNothingAndTextsStopAtTheirWidth)
{
    ConfigRecord r;
    r.setText(field::AtsCode, std::string(19, 'C'));       // more than the file shows
    r.setText(field::FirmwareVersion, std::string(15, 'F'));
    r.setWord(255, 0xABCD);
    const std::string text = ConfigFileText(r, {});
    EXPECT_NE(text.find("\r\nATS Code: " + std::string(16, 'C') + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nFirmware version: " + std::string(12, 'F') + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nInput Socket: \r\nOutput Socket: \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n[255] 171 205\r\n[256]   0   0\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("Date: 01-01-1970 00:00:00\r\n\r\n", 0), 0u);
}

TEST(ReadConfigText, WriterOutputComesBackExactlyBarCodesThatAreNotDigits)
{
    ConfigRecord original = switchRecord();
    for (int n = 16; n < 256; ++n)
        original.setWord(n, static_cast<std::uint16_t>(n * 257));
    original.setNumber(field::NominalCurrent, 40);  // not part of the file
    ConfigRecord back;
    back.bytes().fill(0x55);
    ReadConfigText(back, ConfigFileText(original, {}));
    original.setNumber(field::NominalCurrent, 0);
    EXPECT_EQ(back, original);

    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    ReadConfigText(back, ConfigFileText(defaults, {}));
    EXPECT_EQ(back.text(field::AtsCode), std::string(16, '\xFF'));
    EXPECT_EQ(back.text(field::AtsModel), std::string(16, '\xFF'));
    EXPECT_EQ(back.text(field::FirmwareVersion), std::string(12, '\xFF'));
    for (RecordField f : {field::IoConfiguration, field::AtsType, field::InputSocket, field::OutputSocket})
        EXPECT_EQ(back.code(f), '0');
    EXPECT_EQ(back.number(field::NominalFrequency), 0);
    for (int n = 0; n <= 256; ++n)
        ASSERT_EQ(back.word(n), defaults.word(n)) << n;
}

TEST(ReadConfigText, PositionalRules)
{
    const std::vector<std::string> header = {"Date: x", "", "ATS Code: A", "ATS Model: B", "Firmware version: C",
                                             "Input/Output configuration: 4", "ATS Type: 6", "Input Socket: 2",
                                             "Output Socket: 1"};
    auto with = [&](std::vector<std::string> records, std::vector<std::string> head = {}) {
        std::vector<std::string> all = head.empty() ? header : head;
        all.insert(all.end(), records.begin(), records.end());
        return fileWithLines(all);
    };
    struct Case {
        const char* what;
        std::string file;
        int word;
        std::uint16_t expected;
    };
    const std::vector<Case> cases = {
        {"bytes modulo 256", with({"[000] 300 300"}), 0, 44 * 256 + 44},
        {"negative bytes", with({"[000]  -1  -2"}), 0, 0xFFFE},
        {"single blanks: high byte from columns 5-8, low from 9", with({"", "", "", "", "", "", "", "[007] 0 248"}), 7, 48},
        {"label number is never read", with({"[123]   1   2"}), 0, 258},
        {"no digits give 0", with({"[000] abc xyz"}), 0, 0},
        {"short line", with({"[0"}), 0, 0},
        {"line 266 is the sum", with(std::vector<std::string>(256, "[x]   0   1") + std::vector<std::string>{"[256]   2   3"}), 256, 0x0203},
        {"line 268 is the sum too", with(std::vector<std::string>(256, "x") + std::vector<std::string>{"x", "x", "[256]   4   5"}), 256, 0x0405},
        {"line 267 is ignored", with(std::vector<std::string>(257, "x") + std::vector<std::string>{"[256]   4   5"}), 256, 0},
        {"an extra line shifts words by one", with({"extra", "[000]   0 180"}), 1, 180},
        {"sum line without digits", with(std::vector<std::string>(256, "x") + std::vector<std::string>{"[256]"}), 256, 0},
        {"record line on a header line never lands anywhere", with({}, {"Date", "", "[000]   1   1"}), 0, 0},
        {"line 1 is skipped even as a record line", fileWithLines({"[000] 1 1"}), 0, 0},
    };
    for (const Case& c : cases) {
        ConfigRecord r;
        ReadConfigText(r, c.file);
        EXPECT_EQ(r.word(c.word), c.expected) << c.what;
    }
}

TEST(ReadConfigText, HeaderFields)
{
    struct Case {
        const char* what;
        std::string line;  // placed on `lineNumber`
        int lineNumber;
        RecordField field;
        std::string expected;  // text, or the one code character
    };
    const std::vector<Case> cases = {
        {"text after the first colon", "ATS Code: a:b", 3, field::AtsCode, "a:b"},
        {"the label is never read", "Whatever: M", 3, field::AtsCode, "M"},
        {"no blank after the colon", "ATS Model:M", 4, field::AtsModel, "M"},
        {"only one blank is dropped", "ATS Model:   M ", 4, field::AtsModel, "  M "},
        {"text cut to its field", "Firmware version: " + std::string(40, 'f'), 5, field::FirmwareVersion, std::string(15, 'f')},
        {"code from a number", "ATS Type: 5", 7, field::AtsType, "5"},
        {"code without digits", "ATS Type: x", 7, field::AtsType, "0"},
        {"code below '0'", "Input Socket: -1", 8, field::InputSocket, "/"},
        {"code modulo 256", "Output Socket: 260", 9, field::OutputSocket, "4"},
        {"no colon: ignored", "ATS Type 5", 7, field::AtsType, std::string(1, '\0')},
        {"code from a long value cut at 99 characters", "ATS Type:" + std::string(100, ' ') + "7", 7, field::AtsType, "0"},
        {"code within 99 characters", "ATS Type:" + std::string(99, ' ') + "7", 7, field::AtsType, "7"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines(static_cast<std::size_t>(c.lineNumber - 1), "");
        lines.push_back(c.line);
        ConfigRecord r;
        ReadConfigText(r, fileWithLines(lines));
        const std::string got = c.field.width == 1 ? std::string(1, static_cast<char>(r.code(c.field))) : r.text(c.field);
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(ReadConfigText, LineEndsLongLinesAndBounds)
{
    const std::string golden = kovrin::test::ReadFileBytes(dataFile("switch.kvnf"));
    std::string lf = golden;
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;)
        lf.erase(at, 1);
    ConfigRecord fromCrLf, fromLf;
    ReadConfigText(fromCrLf, golden);
    ReadConfigText(fromLf, lf);
    EXPECT_EQ(fromCrLf, fromLf);
    EXPECT_EQ(fromCrLf, switchRecord());

    // A line of 999 + 999 + 2 characters counts as three lines.
    std::vector<std::string> lines(9, "");
    lines.push_back(std::string(1998, 'x') + "zz");
    lines.push_back("[000]   0   9");
    ConfigRecord r;
    ReadConfigText(r, fileWithLines(lines));
    EXPECT_EQ(r.word(3), 9);

    // A 999-character line ends on its 999th character; its line feed is an empty line.
    lines = std::vector<std::string>(9, "");
    lines.push_back("[000]   0" + std::string(990, ' '));
    lines.push_back("[000]   0   7");
    ReadConfigText(r, fileWithLines(lines));
    EXPECT_EQ(r.word(0), 0);
    EXPECT_EQ(r.word(2), 7);

    // A low byte far out in a long line is beyond the 100-character value.
    lines = std::vector<std::string>(9, "");
    lines.push_back("[000]   0" + std::string(200, ' ') + "5");
    lines.push_back("[001]   0" + std::string(90, ' ') + "5");
    ReadConfigText(r, fileWithLines(lines));
    EXPECT_EQ(r.word(0), 0);
    EXPECT_EQ(r.word(1), 5);

    // A huge file never writes outside the record (ASan checks the rest).
    std::string huge;
    for (int i = 0; i < 5000; ++i)
        huge += "[999] 999 999 : " + std::string(static_cast<std::size_t>(i % 1500), '9') + "\r\n";
    ReadConfigText(r, huge);
    EXPECT_EQ(r.word(0), 999 % 256 * 257);

    // A zero byte ends the line's text; an empty file gives zeros.
    lines = std::vector<std::string>(9, "");
    lines.push_back(std::string("[000]   1", 9) + '\0' + "  2");
    ReadConfigText(r, fileWithLines(lines));
    EXPECT_EQ(r.word(0), 256);
    ReadConfigText(r, "");
    EXPECT_EQ(r, ConfigRecord());
}

TEST(DecimalText, ParsesAsTheSystemReadsNumbers)
{
    struct Case {
        const char* text;
        long long value;
        std::uint8_t byte;
    };
    const Case cases[] = {
        {"", 0, 0}, {"  42x", 42, 42}, {"+7", 7, 7}, {"-1", -1, 255}, {" - 1", 0, 0},
        {"300", 300, 44}, {"\t-256", -256, 0},
        // Too long for any integer: saturates; the byte is the exact remainder of 10^23 - 1.
        {"99999999999999999999999", 9223372036854775807LL, 255},
        {"-99999999999999999999999", -9223372036854775807LL - 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
        EXPECT_EQ(ParseDecimalByte(c.text), c.byte) << c.text;
    }
}

TEST_F(ConfigFileOnDisk, ReadConfigFileLeavesTheRecordWhenTheFileCannotBeRead)
{
    ConfigRecord r = switchRecord();
    EXPECT_EQ(ReadConfigFile(r, (dir / "missing.kvnf").string()), ReadResult::CannotOpen);
    EXPECT_EQ(ReadConfigFile(r, dir.string()), ReadResult::CannotOpen);
    EXPECT_EQ(r, switchRecord());
    kovrin::test::WriteFileBytes(dir / "empty.kvnf", "");
    EXPECT_EQ(ReadConfigFile(r, (dir / "empty.kvnf").string()), ReadResult::Read);
    EXPECT_EQ(r, ConfigRecord());
}

TEST_F(ConfigFileOnDisk, WriteAsksBeforeReplacingAndNoLeavesTheFile)
{
    const fs::path target = dir / "a.kvnf";
    ScriptedPrompts prompts;
    const SaveTimeSource when = fixedTime({7, 12, 2026, 9, 5, 3});
    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);

    EXPECT_EQ(WriteConfigFile(defaults, target.string(), prompts, when), WriteResult::Written);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(kovrin::test::ReadFileBytes(target), kovrin::test::ReadFileBytes(dataFile("defaults.kvnf")));

    prompts.answer = false;
    EXPECT_EQ(WriteConfigFile(switchRecord(), target.string(), prompts, when), WriteResult::Declined);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], target.string() + ": File already exist! Do you want replace it?");
    EXPECT_EQ(kovrin::test::ReadFileBytes(target), kovrin::test::ReadFileBytes(dataFile("defaults.kvnf")));

    prompts.answer = true;
    EXPECT_EQ(WriteConfigFile(switchRecord(), target.string(), prompts, fixedTime({31, 1, 2027, 23, 59, 58})),
              WriteResult::Written);
    EXPECT_EQ(kovrin::test::ReadFileBytes(target), kovrin::test::ReadFileBytes(dataFile("switch.kvnf")));
    EXPECT_TRUE(prompts.errors.empty());
    EXPECT_EQ(entries(), 1u) << "no temporary file stays behind";
}

TEST_F(ConfigFileOnDisk, FailedSavesShowTheirMessageAndLeaveNothingBehind)
{
    ScriptedPrompts prompts;
    prompts.answer = true;
    const ConfigRecord r = switchRecord();

    EXPECT_EQ(WriteConfigFile(r, "", prompts), WriteResult::EmptyName);
    EXPECT_EQ(WriteConfigFile(r, (dir / "no-such-folder" / "a.kvnf").string(), prompts), WriteResult::CannotOpen);
    // A folder in the target's place survives untouched.
    fs::create_directory(dir / "taken.kvnf");
    kovrin::test::WriteFileBytes(dir / "taken.kvnf" / "inside", "keep");
    EXPECT_EQ(WriteConfigFile(r, (dir / "taken.kvnf").string(), prompts), WriteResult::CannotOpen);
    EXPECT_EQ(kovrin::test::ReadFileBytes(dir / "taken.kvnf" / "inside"), "keep");

    const std::vector<std::string> expected = {std::string(kSaveEmptyNameMessage), std::string(kSaveCannotOpenMessage),
                                               std::string(kSaveCannotOpenMessage)};
    EXPECT_EQ(prompts.errors, expected);
    EXPECT_EQ(entries(), 1u) << "only the folder that was there";
}
