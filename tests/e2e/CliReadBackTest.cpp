// The device-free parts of kovrin-cli's transfer commands: the port argument and the
// read-back after an upload, over a scripted link.
#include "tools/kovrin-cli/cmd_transfer.h"

#include "comm/Frame.h"
#include "comm/Transfer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace kovrin::cli {
namespace {

TEST(ParsePortName, TakesTheWindowsPortsUsbAndPaths)
{
    const struct {
        const char* text;
        std::optional<std::string> port;
    } cases[] = {
        {"COM1", "COM1"},   {"com8", "COM8"},   {"COM9", std::nullopt}, {"COM0", std::nullopt},
        {"COM10", std::nullopt}, {"usb", "USB"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"", std::nullopt},
        {"COMX", "COMX"},  // not a COM number: a device path like any other
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParsePortName(c.text), c.port) << c.text;
}

// A switch holding `words`; the answers to some words can be replaced.
class ScriptedLink final : public LinkOperations {
public:
    std::uint16_t words[16] = {};
    std::map<int, Frame> answerFor;  // word -> answer sent instead
    int failWriteAt = -1;

    bool FreeBuffer() override { return true; }
    bool WriteBuffer(const std::uint8_t* frame, std::size_t count) override
    {
        const ParsedRequest r = ParseRequest(frame, count);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.command, "GM");
        word_ = r.index;
        return word_ != failWriteAt;
    }
    bool ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                    std::size_t alternative) override
    {
        const auto replaced = answerFor.find(word_);
        const Frame answer = replaced != answerFor.end() ? replaced->second : BuildAnswerGM(words[word_]);
        received = std::min(capacity, answer.size());
        std::memcpy(buffer, answer.data(), received);
        return AcceptAnswer(buffer, received, expected, alternative);
    }

private:
    int word_ = -1;
};

TEST(ReadBackWords, ComparesEveryWordAndStopsAtTheFirstFailedExchange)
{
    ConfigRecord sent;
    LoadFactoryDefaults(sent);
    ScriptedLink link;
    for (int i = 0; i < 16; ++i)
        link.words[i] = sent.word(i);

    ReadBackResult same = ReadBackWords(link, sent);
    EXPECT_TRUE(same.linkOk());
    EXPECT_TRUE(same.mismatches.empty());

    link.words[3] = 250;
    link.words[15] = 0xFFFF;
    const ReadBackResult differ = ReadBackWords(link, sent);
    ASSERT_EQ(differ.mismatches.size(), 2u);
    EXPECT_EQ(DescribeMismatch(differ.mismatches[0]), "word 3 (ReturnVoltageMaxA): sent 248, switch holds 250");
    EXPECT_EQ(differ.mismatches[1].word, 15);

    // A valid 12-byte answer holds no word: the check cannot pass on it.
    link.answerFor[6] = BuildShortAnswer("GM");
    const ReadBackResult shortAnswer = ReadBackWords(link, sent);
    EXPECT_FALSE(shortAnswer.linkOk());
    EXPECT_EQ(shortAnswer.failure, TransferFailure::ReadBuffer);

    link.failWriteAt = 2;
    EXPECT_EQ(ReadBackWords(link, sent).failure, TransferFailure::WriteBuffer);
}

} // namespace
} // namespace kovrin::cli
