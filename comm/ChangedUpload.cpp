#include "comm/ChangedUpload.h"

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "config/ParameterRules.h"
#include "config/SwitchIdentity.h"

#include <algorithm>
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

WordPause SleepOn(Clock& clock)
{
    return [&clock](Clock::Ms pause) {
        clock.sleepFor(pause);
        return true;
    };
}

WriteOutcome WriteWords(LinkOperations& link, std::span<const WordChange> changes, const WordPause& pause,
                        const WordDone& wordDone)
{
    WriteOutcome out;
    std::array<std::uint8_t, 64> answer{};
    std::size_t received = 0;
    for (const WordChange& change : changes) {
        if (!pause(kUploadPause)) {
            out.stopped = true;
            return out;
        }
        const Frame request = BuildRequestSM(change.word, change.wanted);
        DebugLog("\n Prepared message: " + FrameText(request));
        out.failure = ExchangeRequest(link, request, kAnswerSM, answer.data(), answer.size(), received);
        if (out.failure != TransferFailure::None)
            return out;
        out.written.push_back(change);
        if (wordDone)
            wordDone(change.word);
    }
    return out;
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
    return UploadChangedWords(link, wanted, SleepOn(clock), options, stepDone);
}

bool OrderForRules(const ConfigRecord& before, std::vector<WordChange>& changes)
{
    std::vector<WordWrite> writes;
    for (const WordChange& c : changes)
        writes.push_back({c.word, c.wanted});
    if (!OrderKeepingRules(WordsOf(before), writes))
        return false;
    const ParameterWords held = WordsOf(before);
    for (std::size_t i = 0; i < writes.size(); ++i)
        changes[i] = {writes[i].word, held[static_cast<std::size_t>(writes[i].word)], writes[i].value};
    return true;
}

namespace {

std::string WordList(const std::vector<int>& words)
{
    std::string out;
    for (const int w : words)
        out += (out.empty() ? "" : ", ") + std::to_string(w) + " (" +
               std::string(kParameters[static_cast<std::size_t>(w)].name) + ")";
    return out.empty() ? "none" : out;
}

} // namespace

std::string UnfinishedUploadText(const ChangedUploadResult& r, const std::string& file)
{
    std::vector<int> took, notWritten;
    for (const WordChange& c : r.written)
        took.push_back(c.word);
    for (const WordChange& c : r.changes)
        if (std::none_of(r.written.begin(), r.written.end(), [&](const WordChange& w) { return w.word == c.word; }))
            notWritten.push_back(c.word);
    std::string text = "The upload did not finish. The switch acknowledged words: " + WordList(took) +
                       ". Not written: " + WordList(notWritten) + ".";
    text += r.archived.empty() ? " The state before the upload was not archived."
                               : " The state before the upload is kept in " + r.archived + ".";
    text += " To finish, run the same upload of " + file + " again (only what still differs is written)";
    text += r.archived.empty() ? "." : "; to go back, upload " + r.archived + ".";
    return text;
}

std::string UnfinishedFullUploadText(int acknowledged, const std::string& file)
{
    std::vector<int> took, notWritten;
    for (int w = 0; w < kParameterWordCount; ++w)
        (w < acknowledged ? took : notWritten).push_back(w);
    return "The upload did not finish. The switch acknowledged words: " + WordList(took) + ". Not written: " +
           WordList(notWritten) + ". The upload reads nothing first, so no state before it was kept. To finish, " +
           "run the same upload of " + file + " again.";
}

ChangedUploadResult UploadChangedWords(LinkOperations& link, const ConfigRecord& wanted, const WordPause& pause,
                                       const ChangedUploadOptions& options, const StepDone& stepDone,
                                       const WritePlanned& planned)
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
    result.ruleSafeOrder = OrderForRules(result.before, result.changes);
    if (planned)
        planned(result);

    result.stage = ChangedUploadStage::Write;
    WriteOutcome wrote = WriteWords(link, result.changes, pause, step(ChangedUploadStage::Write));
    result.written = std::move(wrote.written);
    result.failure = wrote.failure;
    if (result.failure != TransferFailure::None)
        return result;
    if (wrote.stopped) {
        result.stage = ChangedUploadStage::Stopped;
        return result;
    }

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
