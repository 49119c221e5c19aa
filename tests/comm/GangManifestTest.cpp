// The gang's manifest: every refusal, with its line number, before any port is opened.
#include "comm/gang/Manifest.h"

#include "config/ConfigFile.h"
#include "config/Sha256.h"
#include "config/SwitchIdentity.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace kovrin::gang {
namespace {

struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> refusals;  // "line: part of the text", in order
    std::size_t units;
};

TEST(GangManifest, RefusesBadLinesWithTheirNumbers)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kovrin-gang-manifest-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir / "sub");
    ConfigRecord good;
    LoadFactoryDefaults(good);
    ConfigRecord bad = good;
    bad.setWord(8, 50);  // FrequencyMinA above FrequencyMaxA: the editor refuses it
    bad.setWord(9, 48);
    test::WriteFileBytes(dir / "sub" / "good.kvnf", ConfigFileText(good, {}));
    test::WriteFileBytes(dir / "bad.kvnf", ConfigFileText(bad, {}));

    const Case cases[] = {
        {"fine", "\xEF\xBB\xBFPort, Config, Model\r\n\r\n# spare\r\nCOM1,sub/good.kvnf,TX100\r\n"
                 "/dev/ttyUSB7,\"sub/good.kvnf\",\r\ncom2,sub/good.kvnf\r\n",
         {}, 3},
        {"empty", "", {"0: empty"}, 0},
        {"header only", "port,config,model\n", {"0: no units"}, 0},
        {"wrong header", "port,file\nCOM1,sub/good.kvnf,\n", {"1: the first line must be"}, 0},
        {"every bad line",
         "port,config,model\n"
         "USB,sub/good.kvnf,\n"
         "COM9,sub/good.kvnf,\n"
         "COM1,sub/good.kvnf,\n"
         "com1,sub/good.kvnf,\n"
         "COM2,missing.kvnf,\n"
         "COM3,sub/good.kvnf,TX,extra\n"
         "COM4,sub/good.kvnf,MODEL-NAME-TOO-LONG\n"
         "COM5,\"sub/good.kvnf,\n"
         "COM6,bad.kvnf,\n"
         "COM7,,\n",
         {"2: USB is not in the gang", "3: unknown port 'COM9'", "5: port COM1 is already on line 4",
          "6: cannot read the configuration file", "7: found 4 field(s)", "8: longer than 16",
          "9: quote is not closed", "10: bad.kvnf: Frequency threshold minimum", "11: no configuration file"},
         1},
    };
    for (const Case& c : cases) {
        const Manifest m = ParseManifest(c.text, dir.string());
        std::vector<std::string> got;
        for (const ManifestRefusal& r : m.refusals)
            got.push_back(std::to_string(r.line) + ": " + r.text);
        ASSERT_EQ(got.size(), c.refusals.size()) << c.name << ": " << ::testing::PrintToString(got);
        for (std::size_t i = 0; i < got.size(); ++i) {
            const std::string& want = c.refusals[i];
            const std::string line = want.substr(0, want.find(": ") + 2);
            EXPECT_EQ(got[i].rfind(line, 0), 0u) << c.name << ": " << got[i];
            EXPECT_NE(got[i].find(want.substr(line.size())), std::string::npos) << c.name << ": " << got[i];
        }
        EXPECT_EQ(m.units.size(), c.units) << c.name;
    }
    const Manifest fine = ParseManifest(cases[0].text, dir.string());
    ASSERT_EQ(fine.units.size(), 3u);
    EXPECT_EQ(fine.units[0].line, 4);
    EXPECT_EQ(fine.units[0].configPath, (dir / "sub" / "good.kvnf").string());
    EXPECT_EQ(fine.units[0].model, "TX100");
    EXPECT_EQ(fine.units[2].port, "COM2");
    std::filesystem::remove_all(dir);
}

TEST(GangManifest, NamesEachLinesSwitchAndResolvesEveryPortBeforeAnyOpens)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kovrin-gang-names-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    ConfigRecord filler;
    LoadFactoryDefaults(filler);
    ConfigRecord named = filler;
    named.setText(field::AtsCode, "SITE-A");
    test::WriteFileBytes(dir / "filler.kvnf", ConfigFileText(filler, {}));
    test::WriteFileBytes(dir / "named.kvnf", ConfigFileText(named, {}));

    Manifest m = ParseManifest("port,config,model,ats_code,batch\n"
                               "COM1,named.kvnf,,SITE-X,b1\n"
                               "COM2,filler.kvnf,,SITE-X,b2\n"
                               "COM3,named.kvnf,,,b3\n"
                               "COM4,filler.kvnf\n"
                               "/dev/a,filler.kvnf\n"
                               "/dev/b,filler.kvnf\n"
                               "/dev/c,filler.kvnf,,K\xC3\x89\xE2\x82\xAC\n"
                               "/dev/d,filler.kvnf,,\xE2\x80\x8B\n",
                               dir.string());
    ResolvePorts(m, [](const std::string& port, std::string& why) -> std::string {
        if (port == "COM3")
            why = "COM3 names no serial device here";
        return port == "COM2" || port == "/dev/a" ? "/dev/ttyS0" : port == "COM3" ? "" : "/dev/x" + port;
    });
    std::vector<std::string> got;
    for (const ManifestRefusal& r : m.refusals)
        got.push_back(RefusalText(r));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "manifest line 2: named.kvnf names switch SITE-A, the line's ats_code SITE-X",
                       "manifest line 4: COM3 names no serial device here",
                       "manifest line 6: /dev/a is /dev/ttyS0, already on line 3",
                       "manifest line 9: ats_code '\xE2\x80\x8B' is not a switch's code (at most 16 characters of "
                       "Windows-1252)"}));
    ASSERT_EQ(m.units.size(), 4u);
    ASSERT_TRUE(m.units[3].identity);
    EXPECT_EQ(SwitchCode(*m.units[3].identity), "K\xC9\x80") << "the manifest's UTF-8 as the switch's bytes";
    EXPECT_EQ(m.extraColumns, std::vector<std::string>{"batch"});
    ASSERT_TRUE(m.units[0].identity);
    EXPECT_EQ(SwitchCode(*m.units[0].identity), "SITE-X");
    EXPECT_EQ(m.units[0].extras, std::vector<std::string>{"b2"});
    EXPECT_FALSE(m.units[1].identity) << "factory filler names no switch";
    EXPECT_EQ(m.units[1].extras, std::vector<std::string>{""});
    EXPECT_EQ(m.units[0].templateSha256, Sha256Hex(ConfigFileText(filler, {})));

    const Manifest own = ParseManifest("port,config,station\nCOM1,filler.kvnf,x\n", dir.string());
    ASSERT_EQ(own.refusals.size(), 1u);
    EXPECT_NE(own.refusals[0].text.find("\"station\" is one of the records' own"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace kovrin::gang
