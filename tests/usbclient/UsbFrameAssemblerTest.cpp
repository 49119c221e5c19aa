#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/usb/UsbFrameAssembler.h"

namespace kovrin {
namespace {

// Positions (0-based) of the bytes that Step reported as an answer's end.
std::vector<std::size_t> Ends(UsbFrameAssembler& assembler, const std::string& bytes)
{
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (assembler.Step(static_cast<std::uint8_t>(bytes[i])))
            ends.push_back(i);
    return ends;
}

const std::string kAnswer = "\x02" "01GM04" "0102" "0203" "\x03";  // 16 bytes

TEST(UsbFrameAssembler, RecognisesOneAnswerPerRequest)
{
    struct Case {
        const char* name;
        std::string stream;
        std::vector<std::size_t> ends;
    };
    const Case cases[] = {
        {"plain answer", kAnswer, {15}},
        {"leading junk", "x" + kAnswer, {16}},
        {"start then blank is no start", std::string("\x02 \x03", 3), {}},
        {"start then 0x21 starts", std::string("\x02!\x03", 3), {2}},
        {"end byte before any start", "\x03" + kAnswer, {16}},
        {"repeated start byte", "\x02" + kAnswer, {16}},
        {"second frame before the next send", kAnswer + kAnswer, {15}},
        {"start byte then end byte", std::string("\x02\x03", 2), {}},
        {"unfinished answer", kAnswer.substr(0, 10), {}},
    };
    for (const Case& c : cases) {
        UsbFrameAssembler assembler;
        EXPECT_EQ(Ends(assembler, c.stream), c.ends) << c.name;
    }
}

TEST(UsbFrameAssembler, SendRearmsAndWindowStartsClearAfterAnAnswer)
{
    UsbFrameAssembler assembler;
    EXPECT_EQ(Ends(assembler, kAnswer), std::vector<std::size_t>{15});
    EXPECT_FALSE(assembler.InFrame());
    EXPECT_EQ(Ends(assembler, kAnswer), std::vector<std::size_t>{});

    assembler.Arm();
    EXPECT_EQ(Ends(assembler, kAnswer), std::vector<std::size_t>{15});

    // The window was cleared at the end: a start byte that came before the end byte of
    // the last answer cannot pair with the first byte after the next send.
    UsbFrameAssembler split;
    EXPECT_EQ(Ends(split, "\x02" "A\x02\x03"), std::vector<std::size_t>{3});
    split.Arm();
    EXPECT_EQ(Ends(split, "B\x03"), std::vector<std::size_t>{});
}

} // namespace
} // namespace kovrin
