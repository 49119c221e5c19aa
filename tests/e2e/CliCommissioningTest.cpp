// Commissioning with kovrin-cli against ats-sim: a changed-only upload sends exactly the
// differing words (the simulator's request log shows every request), and the settings
// report prints in a real browser.
#include "E2eSupport.h"

#include "config/Parameters.h"

#include <csignal>
#include <regex>
#include <thread>

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

// A switch holding a word outside its control's range differs from a file holding the
// range's end; a saved defaults file is the defaults and names no switch; a file whose
// ATS code lost its padding still names its switch.
TEST(CliTruth, RawWordsAndOneIdentityRule)
{
    ScratchDir dir;
    auto sim = StartSim({"--fast", "--code", "KV-ATS-000555", "--word", "14=120"});
    ASSERT_TRUE(sim);
    const std::string defaults = dir.file("d.kvnf");
    ASSERT_EQ(Cli({"defaults", defaults}).status.code, 0);
    EXPECT_EQ(Cli({"diff", defaults, "defaults"}).status.code, 0);
    const sim::RunResult diff = Cli({"diff", defaults, "ats", "--port", sim->path()});
    EXPECT_EQ(diff.status.code, 1) << diff.out << diff.err;
    EXPECT_NE(diff.out.find("120 (outside 60 to 103)"), std::string::npos) << diff.out;
    EXPECT_EQ(diff.out.find("another switch"), std::string::npos) << diff.out;

    const std::string held = dir.file("held.kvnf"), trimmed = dir.file("trimmed.kvnf");
    ASSERT_EQ(Cli({"download", "--port", sim->path(), held}).status.code, 0);
    std::string text;
    for (std::string line : FileLines(held)) {
        if (line.rfind("ATS Code:", 0) == 0)
            line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\r\n";
    }
    std::ofstream(trimmed, std::ios::binary) << text;
    const sim::RunResult upload = Cli({"upload", "--changed-only", "--port", sim->path(), trimmed});
    EXPECT_EQ(upload.status.code, 0) << upload.err;
}

// Words the CLI writes for a raised input A minimum: the return voltage goes first, so
// no state on the way breaks rule 3.
const std::vector<std::string> kRaiseA{"edit", "", "", "--set", "VoltageMinA=195", "--set", "HysteresisA=10",
                                       "--set", "BreakingTime=5"};

std::string Planned(const std::string& held, const std::string& wanted)
{
    std::vector<std::string> args = kRaiseA;
    args[1] = held;
    args[2] = wanted;
    return std::to_string(Cli(args).status.code);
}

TEST(CliChangedOnly, CutOffAtEachWordNamesExactlyTheAcknowledgedWords)
{
    struct Case {
        int answered;  // SM answers before the switch goes silent
        std::string took;
    } cases[] = {
        {0, "none"},
        {1, "1 (ReturnVoltageMinA)"},
        {2, "1 (ReturnVoltageMinA), 0 (VoltageMinA)"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        // GI and the 16 GM reads, then the written words.
        auto sim = StartSim({"--fast", "--code", "SITE-9", "--mute-after", std::to_string(17 + c.answered)});
        ASSERT_TRUE(sim);
        const std::string held = dir.file("held.kvnf"), wanted = dir.file("wanted.kvnf");
        WriteRecord([] {
            ConfigRecord r;
            LoadFactoryDefaults(r);
            r.setText(field::AtsCode, "SITE-9");
            return r;
        }(), held);
        ASSERT_EQ(Planned(held, wanted), "0");
        const sim::RunResult r = CliWith({"KOVRIN_ARCHIVE=" + dir.file("archive")},
                                         {"upload", "--changed-only", "--port", sim->path(), wanted});
        EXPECT_EQ(r.status.code, 3) << c.answered;
        EXPECT_NE(r.err.find("Error in ReadBuffer serial port"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("acknowledged words: " + c.took + ". Not written"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("kept in " + dir.file("archive") + "/SITE-9/"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("run the same upload of " + wanted + " again"), std::string::npos) << r.err;
    }
}

// Ctrl+C while the words are being read or paused for: the CLI stops between words and
// names exactly what the switch took. The simulator runs at the line rate, so the read
// alone outlasts the signal's way.
TEST(CliChangedOnly, CtrlCStopsBetweenWords)
{
    ScratchDir dir;
    const std::string log = dir.file("sim.log");
    std::string error;
    auto sim = sim::SimProcess::Start({"--code", "SITE-9"}, error, log);
    ASSERT_TRUE(sim) << error;
    const std::string held = dir.file("held.kvnf"), wanted = dir.file("wanted.kvnf");
    ConfigRecord r;
    LoadFactoryDefaults(r);
    r.setText(field::AtsCode, "SITE-9");
    WriteRecord(r, held);
    ASSERT_EQ(Planned(held, wanted), "0");

    sim::ChildProcess::Launch launch;
    launch.argv = {sim::ProgramPath("kovrin-cli"), "upload", "--changed-only", "--port", sim->path(), wanted};
    launch.extraEnv = {"KOVRIN_ARCHIVE=off"};
    auto cli = sim::ChildProcess::Start(launch, error);
    ASSERT_TRUE(cli) << error;
    // The signal goes once the switch has seen the read begin.
    for (int i = 0; i < 3000 && Requests(log, 0).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(Requests(log, 0).empty());
    ::kill(cli->pid(), SIGINT);
    const std::optional<sim::ExitStatus> status = cli->wait(Millis(60000));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->code, 3) << cli->err();
    EXPECT_NE(cli->err().find("Stopped by Ctrl+C between words."), std::string::npos) << cli->err();
    std::string took;
    for (const std::string& request : Requests(log, 0))
        if (request.rfind("SM ", 0) == 0) {
            const int word = std::stoi(request.substr(3));
            took += (took.empty() ? "" : ", ") + std::to_string(word) + " (" +
                    std::string(kParameters[static_cast<std::size_t>(word)].name) + ")";
        }
    EXPECT_NE(cli->err().find("acknowledged words: " + (took.empty() ? "none" : took) + ". Not written: "),
              std::string::npos)
        << cli->err();
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
