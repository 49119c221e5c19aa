// ActionDownloadExecute and ActionUploadExecute: the transfers over the open link,
// with their progress dialog, and what a failed transfer leaves behind.
#include "app/logic/FormConfigLogic.h"

#include "app/logic/WindowTexts.h"

namespace kovrin {

namespace {

// One bar step and the "Please wait" label per parameter word.
class ProgressSteps final : public TransferObserver {
public:
    ProgressSteps(ProgressView* progress, std::string_view label) : progress_(progress), label_(label) {}
    void wordTransferred(int) override
    {
        if (!progress_)
            return;
        progress_->setPosition(++position_);
        progress_->setLabel(label_);
        progress_->repaint();
    }

private:
    ProgressView* progress_;
    std::string label_;
    int position_ = 0;
};

std::string_view FailureText(LinkFailure failure)
{
    switch (failure) {
    case LinkFailure::FreeBuffer: return text::kFreeBufferError;
    case LinkFailure::WriteBuffer: return text::kWriteBufferError;
    case LinkFailure::ReadBuffer:
    case LinkFailure::None: break;
    }
    return text::kReadBufferError;
}

} // namespace

void FormConfigLogic::transferFailed(LinkFailure failure, std::unique_ptr<ProgressView>& progress)
{
    error(FailureText(failure));
    destroyActivePort();
    progress.reset();
    // The link is gone: show the disconnected state so that nothing uses it again.
    setDisconnectedDisplay();
}

void FormConfigLogic::ActionDownloadExecute()
{
    offerToSave();
    if (!activePort_)
        return;  // only reachable when a view calls a disabled command

    std::unique_ptr<ProgressView> progress =
        openProgress(std::string(text::kDownloading), kParameterWordCount);
    ProgressSteps steps(progress.get(), text::kDownloadingStep);

    // The download fills a scratch copy: a failure leaves the window's record untouched.
    ConfigRecord downloaded = record_;
    const LinkFailure failure = activePort_->Download(downloaded, steps);
    if (failure != LinkFailure::None) {
        transferFailed(failure, progress);
        changed();
        return;
    }

    progress.reset();
    record_ = downloaded;
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
    view_.focusControl("PageControl1");
    if (!validate())
        return;
    const MessageResult answer = view_.showMessage({std::string(text::kTitle), std::string(text::kUploadQuestion),
                                                    MessageIcon::Question, MessageButtons::YesNo});
    if (answer != MessageResult::Yes)
        return;
    editor_.StoreRecord(record_);
    if (!activePort_)
        return;  // only reachable when a view calls a disabled command

    std::unique_ptr<ProgressView> progress = openProgress(std::string(text::kUploading), kParameterWordCount);
    ProgressSteps steps(progress.get(), text::kUploadingStep);

    const LinkFailure failure = activePort_->Upload(record_, steps);
    if (failure != LinkFailure::None)
        transferFailed(failure, progress);
    progress.reset();
    changed();
}

} // namespace kovrin
