// The parameter view and the comparison over it: one record against the factory
// defaults with one change at a time.
#include "config/ParameterView.h"

#include <gtest/gtest.h>

#include <vector>

namespace kovrin {
namespace {

TEST(CompareViews, ListsWhatTheWindowShowsDifferently)
{
    struct Case {
        int word;  // -1: no word changes
        int value;
        std::vector<std::string> differences;  // parameter names, then identity keys
        std::string shownB;                    // B's text of the first difference
        std::string rangeB;                    // B's range of the changed parameter
    } cases[] = {
        {-1, 0, {}, "", ""},
        {0, 181, {"VoltageMinA", "HysteresisA"}, "181", "180 to 200"},
        {0, 300, {"VoltageMinA", "HysteresisA"}, "300 (outside 180 to 200)", "180 to 200"},  // as held, marked
        {1, 191, {"ReturnVoltageMinA", "HysteresisA"}, "191", "182 to 200"},
        {2, 257, {"VoltageMaxA"}, "257", "230 to 264"},
        {3, 247, {"ReturnVoltageMaxA"}, "247", "238 to 256"},
        {4, 181, {"VoltageMinB", "HysteresisB"}, "181", "180 to 200"},
        {5, 191, {"ReturnVoltageMinB", "HysteresisB"}, "191", "182 to 200"},
        {6, 257, {"VoltageMaxB"}, "257", "230 to 264"},
        {7, 247, {"ReturnVoltageMaxB"}, "247", "238 to 256"},
        {8, 56, {"FrequencyMinA", "NominalFrequency"}, "56", "55 to 60"},  // 60 Hz ranges
        {9, 54, {"FrequencyMaxA"}, "54", "50 to 55"},
        {10, 46, {"FrequencyMinB"}, "46", "45 to 50"},
        {11, 54, {"FrequencyMaxB"}, "54", "50 to 55"},
        {12, 5, {"MaxDisplacementAngle"}, "5", "0 to 180"},
        {13, 3, {"BreakingTime"}, "3", "0 to 10"},
        {14, 102, {"OverloadThreshold"}, "102", "60 to 103"},
        {15, 5, {"BlankingTime"}, "5", "4 to 64"},
    };
    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    const ParameterView a = MakeParameterView(defaults, false);
    for (const Case& c : cases) {
        ConfigRecord changed = defaults;
        if (c.word >= 0)
            changed.setWord(c.word, static_cast<std::uint16_t>(c.value));
        const ParameterView b = MakeParameterView(changed, false);
        const ViewComparison diff = CompareViews(a, b);
        std::vector<std::string> names;
        for (const ViewDifference& d : diff.parameters)
            names.emplace_back(d.key);
        EXPECT_EQ(names, c.differences) << "word " << c.word;
        EXPECT_TRUE(diff.identity.empty()) << "word " << c.word;
        EXPECT_FALSE(diff.otherSwitch);
        EXPECT_EQ(diff.same(), c.word < 0);
        if (c.word < 0)
            continue;
        ASSERT_FALSE(diff.parameters.empty());
        EXPECT_EQ(diff.parameters[0].b, c.shownB) << "word " << c.word;
        EXPECT_EQ(RangeText(b.parameters[static_cast<std::size_t>(c.word)]), c.rangeB) << "word " << c.word;
    }

    // Another switch: the code differs, and nominal data counts only where both know it.
    // The defaults' blank identification names no switch: only parameters count there.
    ConfigRecord named = defaults;
    named.setText(field::AtsCode, "SITE-1");
    ConfigRecord other = defaults;
    other.setText(field::AtsCode, "SITE-2");
    other.setNumber(field::NominalVoltage, 400);
    const ViewComparison switches = CompareViews(MakeParameterView(named, false), MakeParameterView(other, true));
    EXPECT_TRUE(switches.otherSwitch);
    ASSERT_EQ(switches.identity.size(), 1u);
    EXPECT_EQ(switches.identity[0].key, "atsCode");
    EXPECT_EQ(switches.identity[0].b, "SITE-2");
    EXPECT_EQ(CompareViews(MakeParameterView(named, true), MakeParameterView(other, true)).identity.size(), 2u);
    EXPECT_TRUE(CompareViews(a, MakeParameterView(other, true)).same());
}

} // namespace
} // namespace kovrin
