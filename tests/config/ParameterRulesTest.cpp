// The rule functions over raw words: each parameter at its range's ends and one step
// beyond, at both nominal frequencies, and the values derived from the words.
#include "config/ParameterRules.h"
#include "config/ParameterView.h"

#include <gtest/gtest.h>

namespace kovrin {
namespace {

TEST(ParameterRules, RangesAtBothFrequenciesAndDerivedValues)
{
    ConfigRecord defaults;
    LoadFactoryDefaults(defaults);
    struct Case {
        int word;
        int frequency;  // the nominal frequency word 8 gives (it is set to match)
        int min, max;
    } cases[] = {
        {0, 50, 180, 200}, {1, 50, 182, 200}, {2, 50, 230, 264}, {3, 50, 238, 256},
        {4, 60, 180, 200}, {5, 60, 182, 200}, {6, 60, 230, 264}, {7, 60, 238, 256},
        {8, 50, 45, 50},   {8, 60, 55, 60},   {9, 50, 50, 55},   {9, 60, 60, 65},
        {10, 50, 45, 50},  {10, 60, 55, 60},  {11, 50, 50, 55},  {11, 60, 60, 65},
        {12, 50, 0, 180},  {13, 60, 0, 10},   {14, 50, 60, 103}, {14, 60, 60, 103}, {15, 50, 4, 64},
    };
    for (const Case& c : cases) {
        ConfigRecord base = defaults;
        if (c.frequency == 60)
            base.setWord(8, c.word == 8 ? 56 : 55);
        for (const int value : {c.min - 1, c.min, c.max, c.max + 1}) {
            ConfigRecord r = base;
            r.setWord(c.word, static_cast<std::uint16_t>(value));
            const ParameterWords words = WordsOf(r);
            const ParameterView view = MakeParameterView(r, false);
            const ParameterValue& v = view.parameters[static_cast<std::size_t>(c.word)];
            const bool inside = value >= c.min && value <= c.max;
            EXPECT_EQ(NominalFrequencyOf(words), c.word == 8 ? (value >= 51 ? 60 : 50) : c.frequency) << c.word << "=" << value;
            if (c.word == 8 && NominalFrequencyOf(words) != c.frequency)
                continue;  // word 8 itself picks the frequency
            const ValueRange range = RangeAt(kParameters[static_cast<std::size_t>(c.word)], c.frequency, words);
            EXPECT_EQ(range.min, c.min) << c.word;
            EXPECT_EQ(range.max, c.max) << c.word;
            EXPECT_EQ(v.inRange, inside) << c.word << "=" << value;
            EXPECT_EQ(v.value, value) << "never limited: " << c.word;
            EXPECT_EQ(v.shown, inside ? std::to_string(value)
                                      : std::to_string(value) + " (outside " + std::to_string(c.min) + " to " +
                                            std::to_string(c.max) + ")");
        }
    }

    // Derived values: hysteresis from the raw words, return voltages from it.
    ConfigRecord r = defaults;
    r.setWord(0, 185);
    r.setWord(1, 200);
    r.setWord(4, 190);
    r.setWord(5, 192);
    const ParameterWords words = WordsOf(r);
    EXPECT_EQ(HysteresisAOf(words), 15);
    EXPECT_EQ(HysteresisBOf(words), 2);
    EXPECT_EQ(ReturnVoltageFrom(kParameters[1], 185, 15), 200);
    EXPECT_EQ(ReturnVoltageFrom(kParameters[3], 258, 15), 243);
    EXPECT_EQ(BrokenRule(words), 0);
    r.setWord(5, 190);  // return voltage B equal to its threshold: rule 4
    EXPECT_EQ(BrokenRule(WordsOf(r)), 4);

    // A changed-only write order keeps the rules on the way: raising the input A minimum
    // above the old return voltage must wait for the return voltage.
    ParameterWords from = WordsOf(defaults);  // 180 / 190
    WordWrite writes[] = {{0, 195}, {1, 205}};
    ASSERT_TRUE(OrderKeepingRules(from, writes));
    EXPECT_EQ(writes[0].word, 1);
    // 50 to 60 Hz: the maximum frequency goes up before the minimum passes its old value.
    WordWrite sixty[] = {{8, 56}, {9, 65}};
    ASSERT_TRUE(OrderKeepingRules(from, sixty));
    EXPECT_EQ(sixty[0].word, 9);
}

} // namespace
} // namespace kovrin
