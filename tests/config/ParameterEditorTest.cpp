#include "config/ParameterEditor.h"
#include "config/Parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

using namespace kovrin;
using CI = ControlId;

namespace {

ConfigRecord defaults()
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    return r;
}

ConfigRecord withWords(std::initializer_list<std::pair<int, std::uint16_t>> words, ConfigRecord r = defaults())
{
    for (auto [n, v] : words)
        r.setWord(n, v);
    return r;
}

const std::string& text(const ParameterEditor& e, CI id) { return e[id].text; }

std::uint16_t storedWord(const ParameterEditor& e, int n, ConfigRecord r = defaults())
{
    e.StoreRecord(r);
    return r.word(n);
}

} // namespace

TEST(ParameterEditor, ShowRecordLimitsPositionsAndReadsWordsSignedOrUnsigned)
{
    struct Case {
        const char* what;
        int word;
        std::uint16_t value;
        CI control;
        int position;
        CI edit;
        const char* shown;
    };
    const Case cases[] = {
        {"below the scroll range", 0, 170, CI::ScrollBar1, 180, CI::Edit3, "180"},
        {"scroll bars read unsigned", 2, 0xFFFF, CI::ScrollBar2, 264, CI::Edit4, "264"},
        {"scroll bar inside", 6, 233, CI::ScrollBar4, 233, CI::Edit10, "233"},
        {"up-downs read signed: 40000 is negative", 12, 40000, CI::UpDown14, 0, CI::Edit14, "0"},
        {"0xFFFF is -1", 14, 0xFFFF, CI::UpDown13, 60, CI::Edit19, "60"},
        {"above the range", 15, 65, CI::UpDown15, 64, CI::Edit15, "64"},
        {"wide frequency range after showing", 8, 80, CI::UpDown1, 80, CI::Edit1, "80"},
        {"wide maximum range", 11, 90, CI::UpDown8, 85, CI::Edit8, "85"},
        {"wide lower end", 9, 12, CI::UpDown2, 40, CI::Edit2, "40"},
        {"hysteresis of 50 V is limited", 1, 230, CI::UpDown17, 20, CI::Edit17, "20"},
        {"return voltage equal to the threshold", 5, 180, CI::UpDown18, 2, CI::Edit18, "2"},
        {"return voltage below the threshold: negative difference", 1, 100, CI::UpDown17, 2, CI::Edit17, "2"},
    };
    for (const Case& c : cases) {
        ParameterEditor e;
        const ConfigRecord r = withWords({{c.word, c.value}});
        e.ShowRecord(r);
        EXPECT_EQ(e[c.control].position, c.position) << c.what;
        EXPECT_EQ(text(e, c.edit), c.shown) << c.what;
        if (c.word != 1 && c.word != 5) {
            EXPECT_EQ(storedWord(e, c.word), static_cast<std::uint16_t>(c.position)) << c.what << ": stored limited";
        }
    }
}

TEST(ParameterEditor, ReturnVoltagesComeFromTheRecordUnlimitedUntilSomethingMoves)
{
    ParameterEditor e;
    ConfigRecord r = withWords({{1, 0xFFFF}, {3, 1000}, {5, 185}, {7, 7}});
    e.ShowRecord(r);
    EXPECT_EQ(text(e, CI::Edit5), "65535");
    EXPECT_EQ(text(e, CI::Edit6), "1000");
    EXPECT_EQ(text(e, CI::Edit12), "7");
    EXPECT_EQ(e.HysteresisB(), 5);
    ConfigRecord stored = defaults();
    e.StoreRecord(stored);
    EXPECT_EQ(stored.word(1), 0xFFFF);
    EXPECT_EQ(stored.word(3), 1000);

    // Moving ScrollBar2 realigns the return voltages of both inputs.
    e.UserMoveScrollBar(CI::ScrollBar2, 260);
    EXPECT_EQ(text(e, CI::Edit4), "260");
    // 65535 - 180 as a 16-bit up-down position is -181: hysteresis A is limited to 2.
    EXPECT_EQ(text(e, CI::Edit6), "258");
    EXPECT_EQ(text(e, CI::Edit5), "182");
    EXPECT_EQ(text(e, CI::Edit11), "185");
    EXPECT_EQ(text(e, CI::Edit12), "253");
}

TEST(ParameterEditor, HysteresisClickRecomputesOnlyItsInput)
{
    ParameterEditor e;
    e.ShowRecord(withWords({{3, 200}, {7, 201}}));
    e.UserClickUpDown(CI::UpDown17, +1);
    EXPECT_EQ(e.HysteresisA(), 11);
    EXPECT_EQ(text(e, CI::Edit17), "11");
    EXPECT_EQ(text(e, CI::Edit5), "191");
    EXPECT_EQ(text(e, CI::Edit6), "247");
    EXPECT_EQ(text(e, CI::Edit12), "201") << "Input B untouched";
    e.UserMoveUpDown(CI::UpDown18, 99);
    EXPECT_EQ(e.HysteresisB(), 20);
    EXPECT_EQ(text(e, CI::Edit11), "200");
    EXPECT_EQ(text(e, CI::Edit12), "238");
    e.UserClickUpDown(CI::UpDown18, +1);
    EXPECT_EQ(e.HysteresisB(), 20) << "no step past the range";
}

TEST(ParameterEditor, NominalFrequencyFollowsWord8AndPickingResetsTheThresholds)
{
    struct Case {
        std::uint16_t word8;
        int item;
    };
    for (Case c : {Case{50, 0}, Case{51, 1}, Case{55, 1}, Case{0xFFFF, 0}}) {
        ParameterEditor e;
        e.ShowRecord(withWords({{8, c.word8}, {9, 65}}));
        EXPECT_EQ(e[CI::ComboBox1].itemIndex, c.item) << c.word8;
        EXPECT_EQ(e[CI::UpDown2].position, 65) << "selecting by the record keeps the thresholds";
        EXPECT_EQ(e[CI::UpDown2].max, 85);
    }

    ParameterEditor e;
    e.ShowRecord(defaults());
    e.UserMoveUpDown(CI::UpDown1, 49);
    e.UserSelectFrequency(1);
    struct Expect {
        CI upDown, edit;
        int min, max, position;
    };
    for (Expect x : {Expect{CI::UpDown1, CI::Edit1, 55, 60, 55}, Expect{CI::UpDown2, CI::Edit2, 60, 65, 65},
                     Expect{CI::UpDown7, CI::Edit7, 55, 60, 55}, Expect{CI::UpDown8, CI::Edit8, 60, 65, 65}}) {
        EXPECT_EQ(e[x.upDown].min, x.min);
        EXPECT_EQ(e[x.upDown].max, x.max);
        EXPECT_EQ(e[x.upDown].position, x.position);
        EXPECT_EQ(text(e, x.edit), std::to_string(x.position));
    }
    e.UserMoveUpDown(CI::UpDown1, 45);
    EXPECT_EQ(e[CI::UpDown1].position, 55) << "narrow range after the pick";
    e.UserSelectFrequency(0);
    EXPECT_EQ(e[CI::UpDown1].position, 45);
    EXPECT_EQ(e[CI::UpDown8].position, 55);
    e.ShowRecord(defaults());
    EXPECT_EQ(e[CI::UpDown1].max, 80) << "showing widens again";
}

TEST(ParameterEditor, SixRulesInOrderWithTheirFocus)
{
    struct Case {
        const char* what;
        ConfigRecord record;
        int rule;
        CI focus;
    };
    const char* frequency = "Frequency threshold minimum must be <= of threshold maximum";
    const char* minimum = "Voltage threshold minimum must be < of return voltage";
    const char* maximum = "Voltage threshold maximum must be > of return voltage";
    const Case cases[] = {
        {"defaults pass", defaults(), 0, CI::Edit1},
        {"equal frequencies pass", withWords({{8, 50}, {9, 50}, {10, 47}, {11, 47}}), 0, CI::Edit1},
        {"A frequency min above max", withWords({{8, 60}, {9, 50}}), 1, CI::Edit1},
        {"B frequency min above max", withWords({{10, 56}, {11, 55}}), 2, CI::Edit7},
        {"A return voltage equal to min", withWords({{1, 180}}), 3, CI::Edit3},
        {"B return voltage below min", withWords({{5, 100}}), 4, CI::Edit9},
        {"A return voltage equal to max", withWords({{3, 258}}), 5, CI::Edit4},
        {"B return voltage above max", withWords({{7, 300}}), 6, CI::Edit10},
        {"first broken rule wins", withWords({{7, 300}, {1, 0}, {10, 60}, {11, 40}}), 2, CI::Edit7},
        {"empty record", ConfigRecord(), 3, CI::Edit3},
    };
    for (const Case& c : cases) {
        ParameterEditor e;
        e.ShowRecord(c.record);
        const ValidationResult v = e.ValidateControls();
        EXPECT_EQ(v.rule, c.rule) << c.what;
        EXPECT_EQ(v.ok, c.rule == 0) << c.what;
        if (c.rule == 0)
            continue;
        EXPECT_EQ(v.focus, c.focus) << c.what;
        EXPECT_EQ(v.message, c.rule <= 2 ? frequency : c.rule <= 4 ? minimum : maximum) << c.what;
        EXPECT_TRUE(e.ValidateControls("TabSheet2").ok) << "another page always passes";
    }
}

TEST(ParameterEditor, EmptyRecordShowsLowerEndsUntilAThresholdMoves)
{
    ParameterEditor e;
    e.ShowRecord(ConfigRecord());
    for (auto [edit, shown] : std::initializer_list<std::pair<CI, const char*>>{
             {CI::Edit3, "180"}, {CI::Edit4, "230"}, {CI::Edit1, "40"}, {CI::Edit2, "40"}, {CI::Edit14, "0"},
             {CI::Edit16, "0"}, {CI::Edit19, "60"}, {CI::Edit15, "4"}, {CI::Edit5, "0"}, {CI::Edit12, "0"}})
        EXPECT_EQ(text(e, edit), shown) << NameOf(edit);
    EXPECT_EQ(e.Frequency(), 50);
    EXPECT_EQ(e.ValidateControls().rule, 3);
    // A move onto the same position (after limiting) is no move and repairs nothing.
    e.UserMoveScrollBar(CI::ScrollBar1, 170);
    e.UserMoveUpDown(CI::UpDown17, e.HysteresisA());
    EXPECT_EQ(text(e, CI::Edit5), "0");
    EXPECT_EQ(e.ValidateControls().rule, 3);
    e.UserMoveScrollBar(CI::ScrollBar1, 181);
    EXPECT_EQ(text(e, CI::Edit5), "183");
    EXPECT_EQ(e.ValidateControls().rule, 0);
}

TEST(ParameterEditor, StoreRecordWritesOnlyWords0To15)
{
    ConfigRecord r = withWords({{16, 1234}, {256, 4321}});
    r.setText(field::AtsCode, "CODE");
    ParameterEditor e;
    e.ShowRecord(r);
    e.UserMoveScrollBar(CI::ScrollBar3, 190);
    e.UserMoveUpDown(CI::UpDown13, 80);
    ConfigRecord stored = r;
    e.StoreRecord(stored);
    ConfigRecord expected = withWords({{4, 190}, {5, 200}, {14, 80}}, r);
    EXPECT_EQ(stored, expected);

    e.SetText(CI::Edit11, "-5");
    e.StoreRecord(stored);
    EXPECT_EQ(stored.word(5), 65531) << "cut to 16 bits";
}

TEST(ParameterEditor, LoadFactoryDefaultButton)
{
    ParameterEditor e;
    ConfigRecord r = withWords({{8, 55}, {9, 65}, {10, 55}, {11, 65}, {1, 183}});
    r.setText(field::AtsCode, "CODE");
    e.ShowRecord(r);
    e.UserSelectFrequency(1);
    e.Button1Click(r);
    EXPECT_EQ(r, defaults());
    EXPECT_EQ(e.Frequency(), 50);
    EXPECT_EQ(e.HysteresisA(), 10);
    EXPECT_EQ(e.HysteresisB(), 10);
    EXPECT_EQ(e[CI::UpDown1].max, 80);
    ConfigRecord stored = r;
    e.StoreRecord(stored);
    EXPECT_EQ(stored, defaults());
}

TEST(ParameterEditor, AccessLevelAndChangeTracking)
{
    ParameterEditor e;
    EXPECT_TRUE(e.TakeChanged().empty());
    const CI hidden[] = {CI::GroupBox3, CI::Label22, CI::Edit17, CI::UpDown17, CI::Label25, CI::Edit18, CI::UpDown18};
    const CI disabled[] = {CI::Label14, CI::Edit15, CI::UpDown15, CI::Edit5, CI::Edit6, CI::Edit11, CI::Edit12};
    for (CI id : hidden)
        EXPECT_FALSE(e[id].visible) << NameOf(id);
    for (CI id : disabled)
        EXPECT_FALSE(e[id].enabled) << NameOf(id);
    e.ApplyAccessLevel(0);
    EXPECT_TRUE(e.TakeChanged().empty());
    e.ApplyAccessLevel(1);
    for (CI id : hidden)
        EXPECT_TRUE(e[id].visible) << NameOf(id);
    for (CI id : {CI::Label14, CI::Edit15, CI::UpDown15})
        EXPECT_TRUE(e[id].enabled) << NameOf(id);
    EXPECT_FALSE(e[CI::Edit5].enabled) << "computed edits stay disabled";
    EXPECT_EQ(e.TakeChanged().size(), 10u);

    e.UserClickUpDown(CI::UpDown17, -1);
    const std::vector<CI> changed = e.TakeChanged();
    const std::vector<CI> expected = {CI::UpDown17, CI::Edit17, CI::Edit5, CI::Edit6};
    EXPECT_EQ(changed, expected);
    EXPECT_TRUE(e.TakeChanged().empty());

    ASSERT_NE(e.state("Edit5"), nullptr);
    EXPECT_EQ(e.state("Edit5")->text, "189");
    EXPECT_EQ(e.state("Edit13"), nullptr);
}

TEST(ParameterEditor, TablesAgree)
{
    // Every parameter's control and display edit exists on the page and the ranges match.
    for (const ParameterInfo& p : kParameters) {
        const auto control = FindControl(p.control);
        ASSERT_TRUE(control) << p.name;
        ASSERT_TRUE(FindControl(p.display)) << p.name;
        if (p.computed() || p.frequency())
            continue;
        EXPECT_EQ(InfoOf(*control).min, p.min) << p.name;
        EXPECT_EQ(InfoOf(*control).max, p.max) << p.name;
        EXPECT_EQ(InfoOf(*control).buddy, p.display) << p.name;
    }
}
