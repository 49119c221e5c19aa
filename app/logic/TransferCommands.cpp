// ActionDownloadExecute and ActionUploadExecute: the window's view of the one Download
// and Upload flow (comm/Transfer.h), over the open link.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/WindowTexts.h"
#include "comm/Archive.h"
#include "comm/ChangedUpload.h"
#include "config/SettingsReport.h"

#include <ctime>

namespace kovrin {

namespace {

// The flow's per-word callback as the link's observer.
class WordSteps final : public TransferObserver {
public:
    explicit WordSteps(const WordDone& done) : done_(done) {}
    void wordTransferred(int word) override { done_(word); }

private:
    const WordDone& done_;
};

} // namespace

// The flow's steps on the window: its message boxes, its progress dialog, its link.
class FormConfigLogic::TransferSteps final : public TransferView {
public:
    explicit TransferSteps(FormConfigLogic& window) : w_(window) {}

    void OfferToSave() override { w_.offerToSave(); }
    bool ValidateControls() override
    {
        w_.view_.focusControl("PageControl1");
        return w_.validate();
    }
    bool ConfirmUpload() override
    {
        return w_.view_.showMessage({std::string(text::kTitle), std::string(text::kUploadQuestion),
                                     MessageIcon::Question, MessageButtons::YesNo}) == MessageResult::Yes;
    }
    void StoreRecord(ConfigRecord& record) override { w_.editor_.StoreRecord(record); }
    void ShowError(const std::string& message) override { w_.error(message); }
    bool CreateProgress(const std::string& caption, int maximum) override
    {
        progress_ = w_.openProgress(caption, maximum);
        return progress_ != nullptr;
    }
    void AdvanceProgress(const std::string& label) override
    {
        progress_->setPosition(++position_);
        progress_->setLabel(label);
        progress_->repaint();
    }
    void CloseProgress() override { progress_.reset(); }
    void DropLink() override { w_.destroyActivePort(); }

private:
    FormConfigLogic& w_;
    std::unique_ptr<ProgressView> progress_;
    int position_ = 0;
};

void FormConfigLogic::ActionDownloadExecute()
{
    if (!activePort_)
        return;  // only reachable when a view calls a disabled command

    // The download fills a scratch copy: a failure leaves the window's record untouched.
    ConfigRecord downloaded = record_;
    TransferSteps steps(*this);
    const TransferOutcome outcome = RunDownload(steps, [&](const WordDone& done) {
        WordSteps observer(done);
        return activePort_->Download(downloaded, observer);
    });
    if (!outcome.ok()) {
        // The link is gone: show the disconnected state so that nothing uses it again.
        setDisconnectedDisplay();
        changed();
        return;
    }

    record_ = downloaded;
    sourceRecord_ = record_;
    sourceTime_ = ReportTimeNow();
    uploaded_ = false;
    // Someone changed the switch since its newest archived state: the status says so.
    const KeptState kept = KeepStateOnce(record_, ArchiveFromEnvironment(), std::time(nullptr));
    state_.status.labelStatus = std::string(text::kStatusConnected) +
                                (kept.wordsChanged ? std::string(text::kChangedSinceArchived) : std::string());
    for (ActionId id : {ActionId::Save, ActionId::SaveAs, ActionId::Settings, ActionId::Statistics})
        enable(id);
    dataSource_ = DataSource::Switch;
    state_.status.imageUps = true;
    state_.status.imageFile = false;
    state_.status.labelFile = text::kSourceSwitch;
    showRecordLoaded();
    changed();
}

void FormConfigLogic::ActionUploadExecute()
{
    if (!activePort_)
        return;  // only reachable when a view calls a disabled command

    TransferSteps steps(*this);
    int acknowledged = 0;
    const TransferOutcome outcome = RunUpload(steps, record_, [&](const WordDone& done) {
        const WordDone counting = [&](int word) {
            acknowledged = word + 1;
            done(word);
        };
        WordSteps observer(counting);
        return activePort_->Upload(record_, observer);
    });
    if (outcome.started && !outcome.ok()) {
        setDisconnectedDisplay();
        // What the switch now holds, after the link's own message.
        error(UnfinishedFullUploadText(acknowledged, "the values on screen"));
    }
    if (outcome.ok()) {
        uploadedRecord_ = record_;
        uploadTime_ = ReportTimeNow();
        uploaded_ = true;
    }
    changed();
}

} // namespace kovrin
