// Commissioning with kovrin-cli against ats-sim: a changed-only upload sends exactly the
// differing words (the simulator's request log shows every request), and the settings
// report prints in a real browser.
#include "E2eSupport.h"

#include <regex>

namespace kovrin::e2e {
namespace {

sim::RunResult CliWith(const std::vector<std::string>& env, const std::vector<std::string>& args)
{
    sim::ChildProcess::Launch launch;
    launch.argv.push_back(sim::ProgramPath("kovrin-cli"));
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.extraEnv = env;
    return sim::RunProgram(launch, Millis(60000));
}

// "GM 3", "SM 3=250": the requests the log holds from line `from` on.
std::vector<std::string> Requests(const std::string& log, std::size_t from)
{
    std::vector<std::string> out;
    const std::vector<std::string> lines = FileLines(log);
    const std::regex request(R"(#\d+ (GI|GN|GM|SM)(?: word (\d+))?(?: = (\d+))?)");
    for (std::size_t i = from; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_search(lines[i], m, request))
            continue;
        std::string r = m[1].str();
        if (m[2].matched)
            r += " " + m[2].str();
        if (m[3].matched)
            r += "=" + m[3].str();
        out.push_back(r);
    }
    return out;
}

TEST(CliChangedOnly, WritesExactlyTheDifferingWordsThenReadsThemBack)
{
    ScratchDir dir;
    const std::string log = dir.file("sim.log");
    std::string error;
    auto sim = sim::SimProcess::Start({"--fast", "--code", "SITE-7"}, error, log);
    ASSERT_TRUE(sim) << error;
    const std::string held = dir.file("held.kvnf"), wanted = dir.file("wanted.kvnf");
    ASSERT_EQ(Cli({"download", "--port", sim->path(), held}).status.code, 0);
    ASSERT_EQ(Cli({"edit", held, wanted, "--set", "MaxDisplacementAngle=9", "--set", "BreakingTime=7"}).status.code, 0);

    std::vector<std::string> expected{"GI"};
    for (int i = 0; i < 16; ++i)
        expected.push_back("GM " + std::to_string(i));
    const std::vector<std::string> readOnly = expected;
    expected.insert(expected.end(), {"SM 12=9", "SM 13=7", "GM 12", "GM 13"});

    const std::vector<std::string> archiveEnv{"KOVRIN_ARCHIVE=" + dir.file("archive")};
    std::size_t before = FileLines(log).size();
    const sim::RunResult first = CliWith(archiveEnv, {"upload", "--changed-only", "--port", sim->path(), wanted});
    ASSERT_EQ(first.status.code, 0) << first.err;
    EXPECT_NE(first.out.find("2 of 16 words changed"), std::string::npos) << first.out;
    EXPECT_EQ(Requests(log, before), expected);
    // The state read first is kept under the switch's code.
    const sim::RunResult listed = CliWith(archiveEnv, {"archive", "SITE-7"});
    EXPECT_EQ(listed.status.code, 0) << listed.err;
    EXPECT_NE(listed.out.find(".kvnf"), std::string::npos) << listed.out;

    before = FileLines(log).size();
    const sim::RunResult again = Cli({"upload", "--changed-only", "--port", sim->path(), wanted});
    ASSERT_EQ(again.status.code, 0) << again.err;
    EXPECT_NE(again.out.find("0 of 16 words changed"), std::string::npos) << again.out;
    EXPECT_EQ(Requests(log, before), readOnly);

    // Another switch's file is refused after the read; --any-switch writes it.
    ConfigRecord other = ReadRecord(wanted);
    other.setText(field::AtsCode, "SITE-8");
    other.setWord(13, 3);
    WriteRecord(other, dir.file("other.kvnf"));
    before = FileLines(log).size();
    EXPECT_EQ(Cli({"upload", "--changed-only", "--port", sim->path(), dir.file("other.kvnf")}).status.code, 1);
    EXPECT_EQ(Requests(log, before), readOnly);
    EXPECT_EQ(Cli({"upload", "--changed-only", "--any-switch", "--port", sim->path(), dir.file("other.kvnf")}).status.code, 0);
}

TEST(CliReport, PrintsEveryValueOnAtMostTwoA4Pages)
{
    if (std::system("test -x /usr/bin/chromium && test -x /usr/bin/pdftotext") != 0)
        GTEST_SKIP() << "chromium and pdftotext are installed by scripts/install-deps";
    ScratchDir dir;
    ConfigRecord record;
    LoadFactoryDefaults(record);
    const std::uint16_t values[16] = {187, 199, 261, 243, 183, 197, 259, 241, 46, 54, 47, 53, 17, 9, 77, 33};
    for (int i = 0; i < 16; ++i)
        record.setWord(i, values[i]);
    record.setText(field::AtsCode, "<b>&amp;</b>");
    WriteRecord(record, dir.file("site.kvnf"));
    const std::string html = dir.file("report.html"), pdf = dir.file("report.pdf"), text = dir.file("report.txt");
    const sim::RunResult r = Cli({"report", dir.file("site.kvnf"), "-o", html, "--technician", "J. <Doe>"});
    ASSERT_EQ(r.status.code, 0) << r.err;

    sim::ChildProcess::Launch print;
    print.argv = {"/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
                  "--user-data-dir=" + dir.file("profile"), "--print-to-pdf=" + pdf, "file://" + html};
    ASSERT_EQ(sim::RunProgram(print, Millis(90000)).status.code, 0);
    sim::ChildProcess::Launch toText;
    toText.argv = {"/usr/bin/pdftotext", "-layout", pdf, text};
    ASSERT_EQ(sim::RunProgram(toText, Millis(30000)).status.code, 0);
    std::ifstream in(text);
    const std::string printed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::uint16_t v : values)
        EXPECT_NE(printed.find(" " + std::to_string(v) + " "), std::string::npos) << v;
    // Texts from the record and the command line are printed as text, never as markup.
    EXPECT_NE(printed.find("<b>&amp;</b>"), std::string::npos);
    EXPECT_NE(printed.find("J. <Doe>"), std::string::npos);
    const std::size_t pages = static_cast<std::size_t>(std::count(printed.begin(), printed.end(), '\f'));
    EXPECT_GE(pages, 1u);
    EXPECT_LE(pages, 2u);
}

} // namespace
} // namespace kovrin::e2e
