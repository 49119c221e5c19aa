#pragma once
// Download and Upload over the link operations, free of any toolkit.
//
// Two levels:
//  - DownloadRecord / UploadRecord run the exchanges only and report per word;
//  - RunDownload / RunUpload are the one flow of each command around its exchanges,
//    talking to the screen through TransferView (offer to save, validation, question,
//    progress, error box, disposing of the failed link). The window and kovrin-cli are
//    its two views.
//
// What the caller must do afterwards:
//  - on success of RunDownload: the window's own steps (enable Save, Save As, Properties,
//    Statistics; data source = switch; "Data from ATS"; show the pages; ShowRecord; enable
//    Upload while connected). RunUpload needs nothing further.
//  - on a failure (the error box has been shown, the link closed and disposed of through
//    DropLink, the progress dialog closed): return the window to the disconnected state
//    (the steps of Disconnect), so that no later command touches the disposed link.
#include "comm/Frame.h"
#include "comm/LinkOperations.h"
#include "platform/Clock.h"

#include <functional>
#include <string>

namespace kovrin {

class ConfigRecord;

// The first link operation that returned false; None is success.
enum class TransferFailure { None, FreeBuffer, WriteBuffer, ReadBuffer };

// "Error in FreeBuffer serial port", "Error in WriteBuffer serial port",
// "Error in ReadBuffer serial port"; empty for None.
std::string TransferErrorText(TransferFailure failure);

inline constexpr const char* kTransferMessageTitle = "Tarvix configurator";
inline constexpr const char* kSaveQuestion = "Do you want to save actual data?";
inline constexpr const char* kUploadQuestion = "Are you sure to upload values to ATS?";
inline constexpr const char* kDownloadProgressText = "Configuration records downloading";
inline constexpr const char* kDownloadProgressLabel = "Please wait ...  configuration records downloading";
inline constexpr const char* kUploadProgressText = "Configuration records uploading";
inline constexpr const char* kUploadProgressLabel = "Please wait ...  configuration records uploading";
inline constexpr Clock::Ms kUploadPause{750};

// One request and its answer: FreeBuffer, WriteBuffer, ReadBuffer; the first that fails.
TransferFailure ExchangeRequest(LinkOperations& link, const Frame& request, AnswerSizes sizes, std::uint8_t* answer,
                                std::size_t capacity, std::size_t& received);

// Called after parameter word `word` (0..15) has been read or acknowledged.
using WordDone = std::function<void(int word)>;

// "GI", "GN", then "GM" for words 0..15, one request at a time. The answers fill a cleared
// scratch record (identification, nominal data, words 0..15, word 256 = sum of their 32
// bytes); `record` takes it over only after word 15, so a failed download leaves `record`
// exactly as it was. A 12-byte answer to any of these requests carries no data and fails
// the download as a ReadBuffer failure.
TransferFailure DownloadRecord(LinkOperations& link, ConfigRecord& record, const WordDone& wordDone = {});

// "SM" for words 0..15 of `record`, each after a pause of 750 ms on `clock`; a 12-byte
// answer with the right check value acknowledges a word. Nothing is read back.
TransferFailure UploadRecord(LinkOperations& link, const ConfigRecord& record, Clock& clock,
                             const WordDone& wordDone = {});

// What the commands need from the screen.
class TransferView {
public:
    virtual ~TransferView() = default;
    // Download: the offer to save the configuration on screen (question, save dialog,
    // StoreRecord and WriteConfigFile); does nothing when no configuration is shown. The
    // download goes on whatever happens.
    virtual void OfferToSave() = 0;
    // Upload: focus the parameter pages and ValidateControls (which shows its own
    // message); false ends the command with nothing asked or sent.
    virtual bool ValidateControls() = 0;
    // Upload: kUploadQuestion, Yes/No with the question icon; false (No) ends the command.
    virtual bool ConfirmUpload() = 0;
    // Upload: StoreRecord, the values shown in the controls into words 0..15 of `record`.
    virtual void StoreRecord(ConfigRecord& record) = 0;
    // Task-modal error box, error icon, OK, title kTransferMessageTitle.
    virtual void ShowError(const std::string& text) = 0;
    // The progress dialog: caption and label `text`, range 0..`maximum`, position 0, no
    // Cancel button, shown without being modal. False when it could not be created (the
    // view has shown why); the command then goes on without it.
    virtual bool CreateProgress(const std::string& text, int maximum) = 0;
    // Advance the bar by one, set the label, repaint both at once.
    virtual void AdvanceProgress(const std::string& label) = 0;
    // Release the dialog (FormProgress becomes none).
    virtual void CloseProgress() = 0;
    // After a failure: ClosePort on the link, dispose of it and forget the active port.
    virtual void DropLink() = 0;
};

struct TransferOutcome {
    bool started = false;  // false: the upload was stopped by validation or by No
    TransferFailure failure = TransferFailure::None;
    bool ok() const { return started && failure == TransferFailure::None; }
};

// The exchanges of one command over whatever link carries them: runs them, calling the
// callback after each word, and gives the first failure.
using Exchanges = std::function<TransferFailure(const WordDone& wordDone)>;

// The Download command: offer to save, progress, the exchanges (which fill the caller's
// record only when they succeed), then the progress dialog closes. On failure: the error
// box, DropLink, then the progress dialog closes.
TransferOutcome RunDownload(TransferView& view, const Exchanges& download);

// The Upload command: validation, question, StoreRecord into `record`, progress, the
// exchanges (which send `record`); on failure the error box, DropLink, then the progress
// dialog closes.
TransferOutcome RunUpload(TransferView& view, ConfigRecord& record, const Exchanges& upload);

// The same commands with DownloadRecord / UploadRecord over `link`.
TransferOutcome RunDownload(LinkOperations& link, ConfigRecord& record, TransferView& view);
TransferOutcome RunUpload(LinkOperations& link, ConfigRecord& record, TransferView& view, Clock& clock);

} // namespace kovrin
