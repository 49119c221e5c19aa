// The simulated switch's own logic, without a line: request framing, fault decisions
// and answer shapes, options, state files.
#include "config/ConfigFile.h"
#include "tools/ats-sim/Pacer.h"
#include "tools/ats-sim/SimOptions.h"
#include "tools/ats-sim/SimSwitch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kovrin::sim {
namespace {

TEST(RequestAssembler, CutsFramesOutOfTheStream)
{
    const auto text = [](const Frame& f) { return std::string(f.begin(), f.end()); };
    const std::string gi = text(BuildRequestGI());
    const std::string gm = text(BuildRequestGM(3));
    struct Case {
        const char* what;
        std::string stream;
        std::vector<std::string> frames;
    } cases[] = {
        {"one request", gi, {gi}},
        {"noise first", "\xFF\x7Fxx" + gi, {gi}},
        {"two back to back", gi + gm, {gi, gm}},
        {"a cut-off frame is dropped at the next start byte", gi.substr(0, 5) + gm, {gm}},
        {"an endless frame is dropped", "\x02" + std::string(100, '0') + gi, {gi}},
    };
    for (const Case& c : cases) {
        RequestAssembler a;
        std::vector<std::string> got;
        for (char ch : c.stream)
            if (a.feed(static_cast<std::uint8_t>(ch)))
                got.emplace_back(a.frame().begin(), a.frame().end());
        EXPECT_EQ(got, c.frames) << c.what;
    }
}

TEST(DecodeRequest, KnowsTheFourCommandsAndRejectsDamage)
{
    std::string why;
    const auto sm = DecodeRequest(BuildRequestSM(10, 0xABCD), why);
    ASSERT_TRUE(sm);
    EXPECT_EQ(sm->command, Command::SM);
    EXPECT_EQ(sm->word, 10);
    EXPECT_EQ(sm->value, 0xABCD);
    EXPECT_EQ(sm->size, 20u);

    const auto gm = DecodeRequest(BuildRequestGM(15), why);
    ASSERT_TRUE(gm);
    EXPECT_EQ(gm->command, Command::GM);
    EXPECT_EQ(gm->word, 15);

    Frame damaged = BuildRequestGN();
    damaged[8] ^= 1;
    EXPECT_FALSE(DecodeRequest(damaged, why));
    EXPECT_EQ(why, "wrong check value");
    EXPECT_FALSE(DecodeRequest(BuildFrame("GX", ""), why));
}

// What a client's answer acceptance makes of each fault, request by request.
TEST(Faults, ShapeTheAnswersAsAClientSeesThem)
{
    struct Case {
        const char* what;
        std::vector<std::string> options;
        Frame request;
        int number;  // request count, from 1
        Reaction reaction;
        std::size_t size;  // answer bytes on the line
        bool accepted;     // by the client's answer check
    } cases[] = {
        {"healthy GI", {}, BuildRequestGI(), 1, Reaction::Answer, 68, true},
        {"healthy GN", {}, BuildRequestGN(), 1, Reaction::Answer, 34, true},
        {"healthy GM", {}, BuildRequestGM(0), 1, Reaction::Answer, 16, true},
        {"healthy SM", {}, BuildRequestSM(0, 1), 1, Reaction::Answer, 12, true},
        {"mute", {"--mute"}, BuildRequestGI(), 1, Reaction::Silence, 0, false},
        {"mute after 2, request 2", {"--mute-after", "2"}, BuildRequestGM(0), 2, Reaction::Answer, 16, true},
        {"mute after 2, request 3", {"--mute-after", "2"}, BuildRequestGM(1), 3, Reaction::Silence, 0, false},
        {"hang up after 1, request 2", {"--hang-up-after", "1"}, BuildRequestGN(), 2, Reaction::HangUp, 0, false},
        {"bad check on GM", {"--bad-check", "GM"}, BuildRequestGM(4), 1, Reaction::Answer, 16, false},
        {"bad check on GM leaves GN alone", {"--bad-check", "gm"}, BuildRequestGN(), 1, Reaction::Answer, 34, true},
        // The client takes the 68-byte identification without looking at its check field.
        {"bad check on GI", {"--bad-check", "GI"}, BuildRequestGI(), 1, Reaction::Answer, 68, true},
        {"bad check on SM", {"--bad-check", "all"}, BuildRequestSM(1, 2), 1, Reaction::Answer, 12, false},
        {"short GN", {"--short-answer", "GN,GM"}, BuildRequestGN(), 1, Reaction::Answer, 12, true},
        {"half GM", {"--half-answer", "GM"}, BuildRequestGM(2), 1, Reaction::Answer, 8, false},
        {"junk before GM", {"--junk", "3"}, BuildRequestGM(2), 1, Reaction::Answer, 19, false},
        {"ignored write of word 3", {"--ignore-write", "3"}, BuildRequestSM(3, 7), 1, Reaction::Silence, 0, false},
        {"other words still written", {"--ignore-write", "3"}, BuildRequestSM(2, 7), 1, Reaction::Answer, 12, true},
        {"reading word 3 still works", {"--ignore-write", "3"}, BuildRequestGM(3), 1, Reaction::Answer, 16, true},
        {"combined: junk and half", {"--junk", "2", "--half-answer", "SM"}, BuildRequestSM(0, 0), 1,
         Reaction::Answer, 8, false},
    };
    for (const Case& c : cases) {
        SimOptions o;
        ASSERT_TRUE(ParseSimOptions(c.options, o).ok) << c.what;
        std::string why;
        const auto request = DecodeRequest(c.request, why);
        ASSERT_TRUE(request) << c.what;
        const Decision d = Decide(o.faults, c.number, *request);
        EXPECT_EQ(d.reaction, c.reaction) << c.what;
        if (d.reaction != Reaction::Answer)
            continue;
        SimSwitch sw(DefaultSwitchState(), {});
        const Frame healthy = sw.handle(c.request).bytes;
        const Frame shaped = ShapeAnswer(d, request->command, healthy);
        EXPECT_EQ(shaped.size(), c.size) << c.what;
        const AnswerSizes sizes = InfoOf(request->command).answer;
        EXPECT_EQ(AcceptAnswer(shaped.data(), shaped.size(), sizes.expected, sizes.alternative), c.accepted)
            << c.what;
    }
}

TEST(SimSwitch, StoresWritesUnlessAFaultLosesThem)
{
    SimOptions o;
    ASSERT_TRUE(ParseSimOptions({"--ignore-write", "1", "--drop-write", "2"}, o).ok);
    SimSwitch sw(DefaultSwitchState(), o.faults);
    EXPECT_EQ(sw.handle(BuildRequestSM(0, 0x1234)).bytes.size(), 12u);
    EXPECT_TRUE(sw.handle(BuildRequestSM(1, 0x1111)).bytes.empty());
    EXPECT_EQ(sw.handle(BuildRequestSM(2, 0x2222)).bytes.size(), 12u);  // acknowledged all the same
    EXPECT_EQ(DecodeWordAnswer(sw.handle(BuildRequestGM(0)).bytes.data()).value(), 0x1234);
    EXPECT_EQ(sw.state().words[1], 190);
    EXPECT_EQ(sw.state().words[2], 258);
    EXPECT_EQ(sw.requests(), 4);
}

TEST(SimSwitch, SendsTheRawNominalFrequency)
{
    SimOptions o;
    ASSERT_TRUE(ParseSimOptions({"--frequency", "600", "--current", "63", "--voltage", "400"}, o).ok);
    SwitchState state;
    std::string error;
    ASSERT_TRUE(BuildSwitchState(o, state, error));
    SimSwitch sw(state, {});
    const Frame gn = sw.handle(BuildRequestGN()).bytes;
    ConfigRecord r;
    StoreNominalData(gn.data(), r);
    EXPECT_EQ(r.number(field::NominalFrequency), 60);
    EXPECT_EQ(r.number(field::NominalCurrent), 63);
    EXPECT_EQ(r.number(field::NominalVoltage), 400);
}

TEST(SimOptions, RefusesWhatItCannotUse)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--nope"},
        {"--junk"},
        {"--junk", "x"},
        {"--junk", "65"},
        {"--fast=1"},
        {"--bad-check", "GX"},
        {"--ignore-write", "256"},
        {"--word", "3"},
        {"--word", "256=1"},
        {"--code", "12345678901234567"},
        {"--io-config", "14"},
        {"--frequency", "4096"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        const ParseOutcome p = ParseSimOptions(args, o);
        EXPECT_FALSE(p.ok) << args[0];
        EXPECT_FALSE(p.error.empty());
    }
    SimOptions o;
    EXPECT_TRUE(ParseSimOptions({"--junk=4", "--word", "0x0F=0xFFFF", "--fast"}, o).ok);
    EXPECT_EQ(o.faults.junkBytes, 4);
    EXPECT_TRUE(o.fast);
    const std::string help = SimHelpText();
    for (const char* name : {"--mute-after", "--hang-up-after", "--state", "--save", "--link", "--device"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST(SimOptions, CommandLineWinsOverTheStateFile)
{
    SwitchState original = DefaultSwitchState();
    original.identification.atsCode = "FROMFILE";
    original.words[5] = 201;
    original.words[14] = 90;
    const std::string path = ::testing::TempDir() + "sim_state.kvnf";
    struct Yes final : FilePrompts {
        void ShowError(std::string_view) override {}
        bool AskOverwrite(std::string_view) override { return true; }
    } yes;
    ASSERT_EQ(WriteConfigFile(ToRecord(original), path, yes), WriteResult::Written);

    SimOptions o;
    ASSERT_TRUE(ParseSimOptions({"--word", "14=70", "--state", path, "--model", "M2"}, o).ok);
    SwitchState s;
    std::string error;
    ASSERT_TRUE(BuildSwitchState(o, s, error)) << error;
    EXPECT_EQ(s.identification.atsCode, "FROMFILE");
    EXPECT_EQ(s.identification.atsModel, "M2");
    EXPECT_EQ(s.words[5], 201);
    EXPECT_EQ(s.words[14], 70);
    EXPECT_EQ(s.nominal.frequencyTenths, 500);  // not in the file

    SimOptions missing;
    ASSERT_TRUE(ParseSimOptions({"--state", path + ".none"}, missing).ok);
    EXPECT_FALSE(BuildSwitchState(missing, s, error));
}

TEST(Pacer, AFullDownloadTakesItsLineTime)
{
    const Pacer pacer(false);
    const SteadyTime t0{};
    // 18 exchanges: GI, GN and 16 GM; each answer's last byte arrives after request + answer.
    SteadyTime last = t0;
    const std::pair<std::size_t, std::size_t> exchanges[] = {{12, 68}, {12, 34}};
    for (const auto& [req, ans] : exchanges)
        last = pacer.due(pacer.answerStart(last, last, req), ans - 1);
    for (int i = 0; i < 16; ++i)
        last = pacer.due(pacer.answerStart(last, last, 16), 15);
    // A request that trickles in more slowly than the line is answered after its last byte.
    const SteadyTime late = t0 + std::chrono::seconds(1);
    EXPECT_EQ(pacer.answerStart(t0, late, 20), late);
    EXPECT_NEAR(std::chrono::duration<double>(last - t0).count(), 638 * 10 / 1200.0, 1e-6);
}

} // namespace
} // namespace kovrin::sim
