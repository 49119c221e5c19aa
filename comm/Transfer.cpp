#include "comm/Transfer.h"

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "config/ConfigRecord.h"

#include <array>

namespace kovrin {

namespace {

// Longer than the longest answer, so a misbehaving switch cannot overrun it.
using AnswerBuffer = std::array<std::uint8_t, 256>;

TransferFailure Exchange(LinkOperations& link, const Frame& request, AnswerSizes sizes, AnswerBuffer& answer,
                         std::size_t& received)
{
    return ExchangeRequest(link, request, sizes, answer.data(), answer.size(), received);
}

// The 12-byte alternative holds no data where the download reads its values.
bool HasData(std::size_t received, const char* command)
{
    if (received != kFrameOverhead)
        return true;
    DebugLogF("Serial Error: the switch answered %s without data (%u bytes)\n", command,
              static_cast<unsigned>(received));
    return false;
}

} // namespace

TransferFailure ExchangeRequest(LinkOperations& link, const Frame& request, AnswerSizes sizes, std::uint8_t* answer,
                                std::size_t capacity, std::size_t& received)
{
    received = 0;
    if (!link.FreeBuffer())
        return TransferFailure::FreeBuffer;
    if (!link.WriteBuffer(request.data(), request.size()))
        return TransferFailure::WriteBuffer;
    if (!link.ReadBuffer(answer, capacity, received, sizes.expected, sizes.alternative))
        return TransferFailure::ReadBuffer;
    return TransferFailure::None;
}

std::string TransferErrorText(TransferFailure failure)
{
    switch (failure) {
    case TransferFailure::FreeBuffer:
        return "Error in FreeBuffer serial port";
    case TransferFailure::WriteBuffer:
        return "Error in WriteBuffer serial port";
    case TransferFailure::ReadBuffer:
        return "Error in ReadBuffer serial port";
    case TransferFailure::None:
        break;
    }
    return {};
}

TransferFailure DownloadRecord(LinkOperations& link, ConfigRecord& record, const WordDone& wordDone)
{
    AnswerBuffer answer{};
    std::size_t received = 0;
    ConfigRecord scratch;

    TransferFailure failure = Exchange(link, BuildRequestGI(), kAnswerGI, answer, received);
    if (failure != TransferFailure::None)
        return failure;
    if (!HasData(received, "GI"))
        return TransferFailure::ReadBuffer;
    ClearRecord(scratch);
    StoreIdentification(answer.data(), scratch);

    failure = Exchange(link, BuildRequestGN(), kAnswerGN, answer, received);
    if (failure != TransferFailure::None)
        return failure;
    if (!HasData(received, "GN"))
        return TransferFailure::ReadBuffer;
    StoreNominalData(answer.data(), scratch);

    std::uint16_t sum = 0;
    for (int i = 0; i < kParameterWordCount; ++i) {
        const Frame request = BuildRequestGM(i);
        DebugLog("\n Prepared message: " + FrameText(request));
        failure = Exchange(link, request, kAnswerGM, answer, received);
        if (failure != TransferFailure::None)
            return failure;
        if (!HasData(received, "GM"))
            return TransferFailure::ReadBuffer;
        const WordBytes word = DecodeWordAnswer(answer.data());
        sum = static_cast<std::uint16_t>(sum + word.high + word.low);
        scratch.setWord(i, word.value());
        if (wordDone)
            wordDone(i);
    }
    scratch.setWord(kRecordSumWord, sum);
    record = scratch;
    return TransferFailure::None;
}

TransferFailure UploadRecord(LinkOperations& link, const ConfigRecord& record, Clock& clock, const WordDone& wordDone)
{
    AnswerBuffer answer{};
    std::size_t received = 0;
    for (int i = 0; i < kParameterWordCount; ++i) {
        clock.sleepFor(kUploadPause);
        const Frame request = BuildRequestSM(i, record.word(i));
        DebugLog("\n Prepared message: " + FrameText(request));
        const TransferFailure failure = Exchange(link, request, kAnswerSM, answer, received);
        if (failure != TransferFailure::None)
            return failure;
        if (wordDone)
            wordDone(i);
    }
    return TransferFailure::None;
}

namespace {

TransferOutcome RunWithProgress(TransferView& view, const char* caption, const char* label, const Exchanges& exchanges)
{
    const bool haveProgress = view.CreateProgress(caption, kParameterWordCount);
    const TransferFailure failure = exchanges([&](int) {
        if (haveProgress)
            view.AdvanceProgress(label);
    });
    if (failure != TransferFailure::None) {
        view.ShowError(TransferErrorText(failure));
        view.DropLink();
    }
    if (haveProgress)
        view.CloseProgress();
    return TransferOutcome{true, failure};
}

} // namespace

TransferOutcome RunDownload(TransferView& view, const Exchanges& download)
{
    view.OfferToSave();
    return RunWithProgress(view, kDownloadProgressText, kDownloadProgressLabel, download);
}

TransferOutcome RunUpload(TransferView& view, ConfigRecord& record, const Exchanges& upload)
{
    if (!view.ValidateControls() || !view.ConfirmUpload())
        return TransferOutcome{};
    view.StoreRecord(record);
    return RunWithProgress(view, kUploadProgressText, kUploadProgressLabel, upload);
}

TransferOutcome RunDownload(LinkOperations& link, ConfigRecord& record, TransferView& view)
{
    return RunDownload(view, [&](const WordDone& done) { return DownloadRecord(link, record, done); });
}

TransferOutcome RunUpload(LinkOperations& link, ConfigRecord& record, TransferView& view, Clock& clock)
{
    return RunUpload(view, record, [&](const WordDone& done) { return UploadRecord(link, record, clock, done); });
}

} // namespace kovrin
