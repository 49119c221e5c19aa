#include "comm/ChangedUpload.h"

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "config/SwitchIdentity.h"

#include <array>
#include <numeric>

namespace kovrin {

std::vector<WordChange> DifferingWords(const ConfigRecord& held, const ConfigRecord& wanted)
{
    std::vector<WordChange> changes;
    for (int i = 0; i < kParameterWordCount; ++i)
        if (held.word(i) != wanted.word(i))
            changes.push_back({i, held.word(i), wanted.word(i)});
    return changes;
}

TransferFailure ReadSwitchState(LinkOperations& link, ConfigRecord& state, const WordDone& wordDone)
{
    ConfigRecord scratch;
    TransferFailure failure = ReadIdentification(link, scratch);
    if (failure == TransferFailure::None)
        failure = ReadParameterWords(link, scratch, wordDone);
    if (failure == TransferFailure::None)
        state = scratch;
    return failure;
}

TransferFailure WriteWords(LinkOperations& link, std::span<const WordChange> changes, Clock& clock,
                           const WordDone& wordDone)
{
    std::array<std::uint8_t, 64> answer{};
    std::size_t received = 0;
    for (const WordChange& change : changes) {
        clock.sleepFor(kUploadPause);
        const Frame request = BuildRequestSM(change.word, change.wanted);
        DebugLog("\n Prepared message: " + FrameText(request));
        const TransferFailure failure =
            ExchangeRequest(link, request, kAnswerSM, answer.data(), answer.size(), received);
        if (failure != TransferFailure::None)
            return failure;
        if (wordDone)
            wordDone(change.word);
    }
    return TransferFailure::None;
}

namespace {

ReadBackResult ReadBack(LinkOperations& link, const ConfigRecord& sent, std::span<const int> words,
                        const WordDone& wordDone)
{
    ReadBackResult result;
    std::array<std::uint8_t, 64> answer{};
    for (const int word : words) {
        std::size_t received = 0;
        result.failure = ExchangeRequest(link, BuildRequestGM(word), kAnswerGM, answer.data(), answer.size(), received);
        if (result.failure == TransferFailure::None && received != kAnswerGM.expected) {
            DebugLogF("Serial Error: the switch answered GM without data (%u bytes)\n", static_cast<unsigned>(received));
            result.failure = TransferFailure::ReadBuffer;
        }
        if (result.failure != TransferFailure::None)
            return result;
        const std::uint16_t held = DecodeWordAnswer(answer.data()).value();
        if (held != sent.word(word))
            result.mismatches.push_back({word, sent.word(word), held});
        if (wordDone)
            wordDone(word);
    }
    return result;
}

std::array<int, kParameterWordCount> AllWords()
{
    std::array<int, kParameterWordCount> words{};
    std::iota(words.begin(), words.end(), 0);
    return words;
}

} // namespace

ReadBackResult ReadBackWords(LinkOperations& link, const ConfigRecord& sent, std::span<const int> words)
{
    return ReadBack(link, sent, words, {});
}

ReadBackResult ReadBackWords(LinkOperations& link, const ConfigRecord& sent)
{
    const auto words = AllWords();
    return ReadBack(link, sent, words, {});
}

ChangedUploadResult UploadChangedWords(LinkOperations& link, const ConfigRecord& wanted, Clock& clock,
                                       const ChangedUploadOptions& options, const StepDone& stepDone)
{
    ChangedUploadResult result;
    const auto step = [&](ChangedUploadStage stage) {
        return [&, stage](int word) {
            if (stepDone)
                stepDone(stage, word);
        };
    };
    result.failure = ReadSwitchState(link, result.before, step(ChangedUploadStage::Read));
    if (result.failure != TransferFailure::None)
        return result;
    if (options.archive)
        result.archived = KeepState(result.before, *options.archive);

    result.changes = DifferingWords(result.before, wanted);
    if (!options.anySwitch && NamesSwitch(wanted) && !SameSwitch(result.before, wanted)) {
        result.stage = ChangedUploadStage::OtherSwitch;
        return result;
    }

    result.stage = ChangedUploadStage::Write;
    result.failure = WriteWords(link, result.changes, clock, step(ChangedUploadStage::Write));
    if (result.failure != TransferFailure::None)
        return result;

    result.stage = ChangedUploadStage::ReadBack;
    std::vector<int> written;
    for (const WordChange& change : result.changes)
        written.push_back(change.word);
    const ReadBackResult check = ReadBack(link, wanted, written, step(ChangedUploadStage::ReadBack));
    result.failure = check.failure;
    if (result.failure != TransferFailure::None)
        return result;
    result.mismatches = check.mismatches;
    result.stage = ChangedUploadStage::Done;
    return result;
}

} // namespace kovrin
