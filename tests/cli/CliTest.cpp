// kovrin-cli run as a subprocess on hand-made files; outputs compared byte for byte after
// the date line with what the reader's rules give.
#include <gtest/gtest.h>
#include "tests/support/TestFiles.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Outcome {
    int code = -1;
    std::string out, err;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* bin = std::getenv("KOVRIN_BIN_DIR");
        ASSERT_NE(bin, nullptr) << "KOVRIN_BIN_DIR names the folder of kovrin-cli";
        tool = fs::path(bin) / "kovrin-cli";
        dir = fs::temp_directory_path() /
              ("kovrin-cli-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    Outcome run(const std::vector<std::string>& args) const
    {
        std::string command = quoted(tool.string());
        for (const std::string& a : args)
            command += " " + quoted(a);
        command += " >" + quoted((dir / "stdout").string()) + " 2>" + quoted((dir / "stderr").string());
        const int status = std::system(command.c_str());
        Outcome r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = kovrin::test::ReadFileBytes(dir / "stdout");
        r.err = kovrin::test::ReadFileBytes(dir / "stderr");
        return r;
    }
    std::string path(const char* name) const { return (dir / name).string(); }

    fs::path tool, dir;
};

// The written file from line 2 on, checking the date line's shape on the way.
std::string afterDateLine(const std::string& file)
{
    const std::size_t end = file.find("\r\n");
    EXPECT_EQ(end, 25u) << "Date: DD-MM-YYYY hh:mm:ss";
    EXPECT_EQ(file.rfind("Date: ", 0), 0u);
    return end == std::string::npos ? file : file.substr(end + 2);
}

// What the writer gives for an all-zero record, lines 2 to 266, with some lines replaced
// (keys are line numbers of the file).
std::string expectedAfterDate(const std::map<int, std::string>& lines)
{
    std::vector<std::string> all = {"", "ATS Code: ", "ATS Model: ", "Firmware version: ", "Input/Output configuration: ",
                                    "ATS Type: ", "Input Socket: ", "Output Socket: "};
    for (int n = 0; n <= 256; ++n) {
        char line[16];
        std::snprintf(line, sizeof line, "[%03d]   0   0", n);
        all.push_back(line);
    }
    for (const auto& [number, text] : lines)
        all.at(static_cast<std::size_t>(number - 2)) = text;
    std::string out;
    for (const std::string& l : all)
        out += l + "\r\n";
    return out;
}

std::string lines(const std::vector<std::string>& ls, const char* eol = "\n")
{
    std::string out;
    for (const std::string& l : ls)
        out += l + eol;
    return out;
}

const std::vector<std::string> kHeader = {"Date: 01-02-2026 03:04:05", "", "ATS Code: CODE-1", "ATS Model: MODEL",
                                          "Firmware version: FW1", "Input/Output configuration: 4", "ATS Type: 6",
                                          "Input Socket: 2", "Output Socket: 1"};
const std::map<int, std::string> kHeaderOut = {{3, "ATS Code: CODE-1"}, {4, "ATS Model: MODEL"},
                                               {5, "Firmware version: FW1"}, {6, "Input/Output configuration: 4"},
                                               {7, "ATS Type: 6"}, {8, "Input Socket: 2"}, {9, "Output Socket: 1"}};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::map<int, std::string> operator+(std::map<int, std::string> a, const std::map<int, std::string>& b)
{
    for (const auto& [k, v] : b)
        a[k] = v;
    return a;
}

std::vector<std::string> filler(std::size_t count) { return std::vector<std::string>(count, "[nnn]   0   0"); }

} // namespace

TEST_F(Cli, ConvertFollowsTheReadersRules)
{
    struct Case {
        const char* what;
        std::string input;
        std::map<int, std::string> expected;
    };
    const std::string longValue(300, 'L');
    const Case cases[] = {
        {"LF", lines(kHeader + std::vector<std::string>{"[000]   0 180", "[001]   1   2"}),
         kHeaderOut + std::map<int, std::string>{{10, "[000]   0 180"}, {11, "[001]   1   2"}}},
        {"CR LF", lines(kHeader + std::vector<std::string>{"[000]   0 180", "[001]   1   2"}, "\r\n"),
         kHeaderOut + std::map<int, std::string>{{10, "[000]   0 180"}, {11, "[001]   1   2"}}},
        {"bytes above 255 and negative", lines(kHeader + std::vector<std::string>{"[000] 300  -1", "[001] 256 511"}),
         kHeaderOut + std::map<int, std::string>{{10, "[000]  44 255"}, {11, "[001]   0 255"}}},
        {"single blanks", lines(kHeader + filler(7) + std::vector<std::string>{"[007] 0 248"}),
         kHeaderOut + std::map<int, std::string>{{17, "[007]   0  48"}}},
        {"an extra line shifts the words", lines(kHeader + std::vector<std::string>{"extra", "[000]   0 180"}),
         kHeaderOut + std::map<int, std::string>{{11, "[001]   0 180"}}},
        {"missing header lines", lines({"Date", "", "ATS Code: X"}), {{3, "ATS Code: X"}}},
        {"sum on line 268", lines(kHeader + filler(256) + std::vector<std::string>{"", "", "[256]   7   8"}),
         kHeaderOut + std::map<int, std::string>{{266, "[256]   7   8"}}},
        {"record lines past 268 are dropped", lines(kHeader + filler(259) + std::vector<std::string>{"[256]   7   8"}),
         kHeaderOut},
        {"long value cut to the field, long line split",
         lines(std::vector<std::string>{"Date", "", "ATS Code: " + longValue, "ATS Model: " + std::string(2000, 'M') + "tail"} +
               std::vector<std::string>(4, "x") + std::vector<std::string>{"[000]   0   9"}),
         // Line 4 is read as 999 + 999 + 17 characters: the ATS model comes from the first
         // piece, the pieces push everything else down two lines.
         {{3, "ATS Code: " + std::string(16, 'L')}, {4, "ATS Model: " + std::string(16, 'M')}, {11, "[001]   0   9"}}},
        {"code fields from numbers", lines({"Date", "", "", "", "", "IO: 260", "Type: -1", "In: x", "Out:7"}),
         {{6, "Input/Output configuration: 4"}, {7, "ATS Type: /"}, {8, "Input Socket: 0"}, {9, "Output Socket: 7"}}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        kovrin::test::WriteFileBytes(dir / "in.kvnf", c.input);
        const Outcome r = run({"convert", path("in.kvnf"), path("out.kvnf"), "--force"});
        ASSERT_EQ(r.code, 0) << c.what << ": " << r.err;
        EXPECT_EQ(afterDateLine(kovrin::test::ReadFileBytes(dir / "out.kvnf")), expectedAfterDate(c.expected)) << c.what;
    }
}

TEST_F(Cli, DefaultsAndTheirRoundTrip)
{
    const std::string golden = kovrin::test::ReadFileBytes(fs::path(KOVRIN_CONFIG_TEST_DATA) / "defaults.kvnf");
    ASSERT_EQ(run({"defaults", path("d.kvnf")}).code, 0);
    EXPECT_EQ(afterDateLine(kovrin::test::ReadFileBytes(dir / "d.kvnf")), afterDateLine(golden));

    // Read back, the 0xFF codes become '0'; texts and words stay.
    ASSERT_EQ(run({"convert", path("d.kvnf"), path("c.kvnf")}).code, 0);
    std::string expected = afterDateLine(golden);
    for (const char* label : {"configuration: ", "Type: ", "Input Socket: ", "Output Socket: "}) {
        const std::size_t at = expected.find(std::string(label) + "\xFF");
        ASSERT_NE(at, std::string::npos) << label;
        expected[at + std::string(label).size()] = '0';
    }
    EXPECT_EQ(afterDateLine(kovrin::test::ReadFileBytes(dir / "c.kvnf")), expected);
}

TEST_F(Cli, EditActsThroughTheControls)
{
    ASSERT_EQ(run({"defaults", path("d.kvnf")}).code, 0);
    kovrin::test::WriteFileBytes(dir / "empty.kvnf", "");
    std::string stale = kovrin::test::ReadFileBytes(dir / "d.kvnf");
    stale.replace(stale.find("[003]   0 248"), 13, "[003]   0 200");
    kovrin::test::WriteFileBytes(dir / "stale.kvnf", stale);
    const std::map<int, std::string> defaultsHeader = {
        {3, "ATS Code: " + std::string(16, '\xFF')},   {4, "ATS Model: " + std::string(16, '\xFF')},
        {5, "Firmware version: " + std::string(12, '\xFF')}, {6, "Input/Output configuration: 0"},
        {7, "ATS Type: 0"}, {8, "Input Socket: 0"}, {9, "Output Socket: 0"}};
    std::map<int, std::string> defaultsOut = defaultsHeader;
    const int factory[16] = {180, 190, 258, 248, 180, 190, 258, 248, 45, 55, 45, 55, 4, 2, 103, 4};
    for (int n = 0; n <= 256; ++n) {
        const int v = n < 16 ? factory[n] : 0xFFFF;
        char line[32];
        std::snprintf(line, sizeof line, "[%03d] %3d %3d", n, v >> 8, v & 0xFF);
        defaultsOut[10 + n] = line;
    }
    struct Case {
        const char* what;
        std::vector<std::string> args;  // after IN OUT
        const char* in;
        std::map<int, std::string> changes;
    };
    const Case cases[] = {
        {"no change", {}, "d.kvnf", {}},
        {"threshold realigns both inputs' return voltages", {"--set", "VoltageMaxA=260"}, "d.kvnf",
         {{12, "[002]   1   4"}, {13, "[003]   0 250"}}},
        {"hysteresis moves its return voltages", {"--set=HysteresisA=15"}, "d.kvnf",
         {{11, "[001]   0 195"}, {13, "[003]   0 243"}}},
        {"limited to the range", {"--set", "VoltageMinB=100", "--set", "OverloadThreshold=1000"}, "d.kvnf",
         {{24, "[014]   0 103"}}},
        {"frequency first, then the sets", {"--set", "FrequencyMaxB=62", "--frequency", "60"}, "d.kvnf",
         {{18, "[008]   0  55"}, {19, "[009]   0  65"}, {20, "[010]   0  55"}, {21, "[011]   0  62"}}},
        {"a move onto the same position keeps a stale return voltage", {"--set", "VoltageMaxA=258"}, "stale.kvnf",
         {{13, "[003]   0 200"}}},
        {"empty file repaired by a move",
         {"--set", "VoltageMinA=181"},
         "empty.kvnf",
         {{3, "ATS Code: "}, {4, "ATS Model: "}, {5, "Firmware version: "}, {6, "Input/Output configuration: "},
          {7, "ATS Type: "}, {8, "Input Socket: "}, {9, "Output Socket: "},
          {10, "[000]   0 181"}, {11, "[001]   0 183"}, {12, "[002]   0 230"}, {13, "[003]   0 228"},
          {14, "[004]   0 180"}, {15, "[005]   0 182"}, {16, "[006]   0 230"}, {17, "[007]   0 228"},
          {18, "[008]   0  40"}, {19, "[009]   0  40"}, {20, "[010]   0  40"}, {21, "[011]   0  40"},
          {22, "[012]   0   0"}, {23, "[013]   0   0"}, {24, "[014]   0  60"}, {25, "[015]   0   4"},
          {266, "[256]   0   0"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"edit", path(c.in), path("out.kvnf"), "--force"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome r = run(args);
        ASSERT_EQ(r.code, 0) << c.what << ": " << r.err;
        std::map<int, std::string> expected = defaultsOut + c.changes;
        if (std::string(c.in) == "empty.kvnf") {
            // every word not listed is 0
            for (int n = 16; n < 256; ++n) {
                char line[16];
                std::snprintf(line, sizeof line, "[%03d]   0   0", n);
                expected[10 + n] = line;
            }
        }
        EXPECT_EQ(afterDateLine(kovrin::test::ReadFileBytes(dir / "out.kvnf")), expectedAfterDate(expected)) << c.what;
    }
}

TEST_F(Cli, RefusalsAndErrors)
{
    ASSERT_EQ(run({"defaults", path("d.kvnf")}).code, 0);
    kovrin::test::WriteFileBytes(dir / "empty.kvnf", "");
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int code;
        const char* err;  // part of the one stderr line
    };
    const std::string d = path("d.kvnf"), out = path("new.kvnf");
    const Case cases[] = {
        {"rule 3 on an empty file", {"edit", path("empty.kvnf"), out}, 1, "Voltage threshold minimum must be < of return voltage (Edit3)"},
        {"rule 1 with the wide range", {"edit", d, out, "--set", "FrequencyMinA=99"}, 1, "Frequency threshold minimum must be <= of threshold maximum (Edit1)"},
        {"return voltages are computed", {"edit", d, out, "--set", "ReturnVoltageMinA=200"}, 2, "computed"},
        {"unknown parameter", {"edit", d, out, "--set", "Voltage=1"}, 2, "unknown parameter"},
        {"not a number", {"edit", d, out, "--set", "VoltageMinA=19x"}, 2, "not a whole number"},
        {"bad frequency", {"edit", d, out, "--frequency", "55"}, 2, "50 or 60"},
        {"unknown option", {"convert", d, out, "--frobnicate"}, 2, "unknown option"},
        {"wrong argument count", {"convert", d}, 2, "usage: kovrin-cli convert"},
        {"unknown command", {"fly"}, 2, "unknown command"},
        {"no command", {}, 2, ""},
        {"IN missing", {"convert", path("missing.kvnf"), out}, 4, "cannot read"},
        {"IN is a folder", {"show", dir.string()}, 4, "cannot read"},
        {"OUT exists", {"convert", d, d}, 4, "file exists"},
        {"OUT folder missing", {"defaults", path("no/such.kvnf")}, 4, "Cannot save configuraton file: filename cannot be open!"},
    };
    const std::string before = kovrin::test::ReadFileBytes(dir / "d.kvnf");
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.what;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
        if (c.code != 2 || c.args.size() > 0) {
            EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": one line";
        }
        EXPECT_FALSE(fs::exists(out)) << c.what;
    }
    EXPECT_EQ(kovrin::test::ReadFileBytes(dir / "d.kvnf"), before) << "never overwritten without --force";
    EXPECT_EQ(run({"--help"}).code, 0);
    EXPECT_EQ(run({"edit", "--help"}).code, 0);
}

TEST_F(Cli, ShowPrintsTheRecordReadably)
{
    const Outcome r = run({"show", (fs::path(KOVRIN_CONFIG_TEST_DATA) / "switch.kvnf").string()});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* expected : {"ABCDEFGHIJKLMNOP", "'1' Monophase/Monophase", "'5' Automatic Transfer Switch",
                                 "Input socket             20", "Output socket            3", "OverloadThreshold",
                                 "Record sum: 1597 (0x063D)", "Hysteresis A             10 V", "Nominal frequency        50 Hz",
                                 "Validation: the six rules pass"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;

    kovrin::test::WriteFileBytes(dir / "empty.kvnf", "");
    const Outcome e = run({"show", path("empty.kvnf")});
    EXPECT_EQ(e.code, 0);
    EXPECT_NE(e.out.find("rule 3 fails"), std::string::npos) << e.out;
    // The word as the file holds it, marked; the editor's change on load is a line of its own.
    EXPECT_NE(e.out.find("VoltageMinA                 0*"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("changes word 0 (VoltageMinA): 0 -> 180"), std::string::npos) << e.out;

    // Texts are the switch's Windows-1252 bytes; a byte without a character stays visible as a code.
    kovrin::test::WriteFileBytes(dir / "texts.kvnf", "Date: x\r\n\r\nATS Code: A\x80\xFF\x81\\\r\n");
    const Outcome t = run({"show", path("texts.kvnf")});
    EXPECT_NE(t.out.find("ATS code                 A€ÿ\\x81\\x5C\n"), std::string::npos) << t.out;
}
