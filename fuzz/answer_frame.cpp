// Answer acceptance and the download's decoders on arbitrary frames of arbitrary size,
// plus the round trip through the switch side's builders and request parser.
#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "config/ConfigRecord.h"
#include "fuzz/FuzzCheck.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace kovrin;

struct Command {
    const char* name;
    AnswerSizes sizes;
};
constexpr Command kCommands[] = {{"GI", kAnswerGI}, {"GN", kAnswerGN}, {"GM", kAnswerGM}, {"SM", kAnswerSM}};

// Debug mode on, so every log format runs; the log folder cannot be created, so nothing
// reaches the disk.
void QuietDebugLog()
{
    static const bool once = [] {
        SetDebugMode(true);
        SetDebugConsole([](std::string_view text) { FUZZ_CHECK(text.size() < 4096, "runaway log text"); });
        SetDebugLogFolder("/proc/kovrin-fuzz-no-log/");
        return true;
    }();
    (void)once;
}

// What the download does with an answer it accepted, on a buffer of exactly that size so
// that any read past the answer is caught.
void Decode(const Command& command, const std::uint8_t* answer, std::size_t count)
{
    ConfigRecord record;
    if (std::strcmp(command.name, "GI") == 0 && count == kAnswerGI.expected) {
        StoreIdentification(answer, record);
        FUZZ_CHECK(record.text(field::AtsCode).size() <= kAtsCodeMaxChars, "code too long");
        FUZZ_CHECK(record.text(field::AtsModel).size() <= kAtsModelMaxChars, "model too long");
        FUZZ_CHECK(record.text(field::FirmwareVersion).size() <= kFirmwareMaxChars, "firmware too long");
    } else if (std::strcmp(command.name, "GN") == 0 && count == kAnswerGN.expected) {
        StoreNominalData(answer, record);
    } else if (std::strcmp(command.name, "GM") == 0 && count == kAnswerGM.expected) {
        (void)DecodeWordAnswer(answer).value();
    }
}

// Values the switch side encodes must come back out of the program's decoders.
void RoundTrip(const std::uint8_t* data, std::size_t size)
{
    if (size < 6)
        return;
    const auto word = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const Frame gm = BuildAnswerGM(word);
    FUZZ_CHECK(AcceptAnswer(gm.data(), gm.size(), kAnswerGM.expected, kAnswerGM.alternative), "own GM rejected");
    FUZZ_CHECK(DecodeWordAnswer(gm.data()).value() == word, "GM word changed");

    NominalData nominal;
    nominal.current = static_cast<std::uint16_t>((data[2] << 4 | data[3] >> 4) & 0x0FFF);
    nominal.voltage = static_cast<std::uint16_t>((data[3] << 8 | data[4]) & 0x0FFF);
    nominal.frequencyTenths = static_cast<std::uint16_t>((data[5] << 4) & 0x0FFF);
    const Frame gn = BuildAnswerGN(nominal);
    FUZZ_CHECK(AcceptAnswer(gn.data(), gn.size(), kAnswerGN.expected, kAnswerGN.alternative), "own GN rejected");
    ConfigRecord record;
    StoreNominalData(gn.data(), record);
    FUZZ_CHECK(record.number(field::NominalCurrent) == nominal.current, "current changed");
    FUZZ_CHECK(record.number(field::NominalVoltage) == nominal.voltage, "voltage changed");
    FUZZ_CHECK(record.number(field::NominalFrequency) == nominal.frequencyTenths / 10, "frequency changed");

    const int index = data[0] & 0x0F;
    const Frame sm = BuildRequestSM(index, word);
    const ParsedRequest parsed = ParseRequest(sm.data(), sm.size());
    FUZZ_CHECK(parsed.ok && parsed.command == "SM" && parsed.index == index && parsed.value == word,
               "SM request parsed wrong");
    const Frame ack = BuildAnswerSM();
    FUZZ_CHECK(AcceptAnswer(ack.data(), ack.size(), kAnswerSM.expected, kAnswerSM.alternative), "own SM rejected");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QuietDebugLog();
    if (size == 0)
        return 0;
    const Command& command = kCommands[data[0] % 4];
    const std::size_t count = size - 1;
    // Exactly the answer's bytes on the heap: nothing beyond `count` is readable.
    std::unique_ptr<std::uint8_t[]> answer(new std::uint8_t[count + 1]);
    std::memcpy(answer.get(), data + 1, count);

    const bool accepted = AcceptAnswer(answer.get(), count, command.sizes.expected, command.sizes.alternative);
    if (accepted) {
        FUZZ_CHECK(count == command.sizes.expected || count == command.sizes.alternative, "accepted a wrong size");
        if (count != 68)
            FUZZ_CHECK(VerifyFrame(answer.get(), count, kChecksumMode) == 0, "accepted a bad check value");
        Decode(command, answer.get(), count);
    }
    if (count >= kFrameOverhead)
        (void)VerifyFrame(answer.get(), count, data[0] & 0x80 ? 2 : kChecksumMode);
    const ParsedRequest request = ParseRequest(answer.get(), count);
    if (request.ok)
        FUZZ_CHECK(request.command.size() == 2, "parsed command is not two characters");
    RoundTrip(data, size);
    return 0;
}
