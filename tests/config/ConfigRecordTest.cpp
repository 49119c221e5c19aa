#include "config/ConfigRecord.h"
#include "config/Parameters.h"

#include <gtest/gtest.h>

using namespace kovrin;

TEST(ConfigRecord, FactoryDefaultsFillEveryByteThenTheParameters)
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    const std::uint16_t expected[16] = {180, 190, 258, 248, 180, 190, 258, 248, 45, 55, 45, 55, 4, 2, 103, 4};
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(r.word(n), expected[n]) << "word " << n;
    for (int n = 16; n <= 256; ++n)
        ASSERT_EQ(r.word(n), 0xFFFF) << "word " << n;
    for (std::size_t i = 0; i < field::WordsOffset; ++i)
        ASSERT_EQ(r.bytes()[i], 0xFF) << "byte " << i;
    // No terminator inside the text field: the reader stops at the field's width.
    EXPECT_EQ(r.text(field::AtsCode), std::string(20, '\xFF'));
}

TEST(ConfigRecord, WordsLieAtTheirPositionsAndOutOfRangeIsIgnored)
{
    ConfigRecord r;
    r.setWord(0, 0x1234);
    r.setWord(256, 0xBEEF);
    r.setWord(257, 0xFFFF);
    r.setWord(-1, 0xFFFF);
    EXPECT_EQ(r.bytes()[66], 0x34);
    EXPECT_EQ(r.bytes()[67], 0x12);
    EXPECT_EQ(r.bytes()[578], 0xEF);
    EXPECT_EQ(r.bytes()[579], 0xBE);
    EXPECT_EQ(r.word(257), 0);
    ConfigRecord zero;
    zero.setWord(0, 0x1234);
    zero.setWord(256, 0xBEEF);
    EXPECT_EQ(r, zero);
}

TEST(ConfigRecord, TextFieldsAreBoundedAndTerminated)
{
    ConfigRecord r;
    r.bytes().fill(0xFF);
    r.setText(field::FirmwareVersion, std::string(40, 'x'));
    EXPECT_EQ(r.text(field::FirmwareVersion), std::string(15, 'x'));
    EXPECT_EQ(r.bytes()[56], 0xFF) << "the next field is untouched";
    r.setText(field::AtsCode, "ABC");
    EXPECT_EQ(r.text(field::AtsCode), "ABC");
}

TEST(ConfigRecord, SocketNumbersAsThePropertiesShowThem)
{
    struct Case {
        std::uint8_t input, output;
        std::uint16_t word3;
        int shownInput, shownOutput;
    };
    const Case cases[] = {{'0', '1', 248, 20, 1}, {'3', '0', 248, 3, 0}, {0xFF, 0xFF, 0xFFFF, 207, 207}, {'/', '9', 0, -1, 9}};
    for (const Case& c : cases) {
        ConfigRecord r;
        r.setCode(field::InputSocket, c.input);
        r.setCode(field::OutputSocket, c.output);
        r.setWord(3, c.word3);
        EXPECT_EQ(InputSocketNumber(r), c.shownInput);
        EXPECT_EQ(OutputSocketNumber(r), c.shownOutput);
    }
}
