// ActionCompareExecute (the switch's words against the values on screen) and
// ActionReportExecute (the settings report of the values on screen).
#include "app/logic/FormConfigLogic.h"

#include "app/logic/CompareDialog.h"
#include "app/logic/WindowTexts.h"
#include "comm/Archive.h"
#include "config/ConfigFile.h"
#include "config/ParameterView.h"
#include "config/SettingsReport.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Shell.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace kovrin {

namespace {

class CountWords final : public TransferObserver {
public:
    explicit CountWords(ProgressView* progress, std::string_view label = kDownloadProgressLabel)
        : progress_(progress), label_(label)
    {
    }
    void wordTransferred(int) override
    {
        if (!progress_)
            return;
        progress_->setPosition(++position_);
        progress_->setLabel(std::string(label_));
        progress_->repaint();
    }

private:
    ProgressView* progress_;
    std::string_view label_;
    int position_ = 0;
};

} // namespace

std::string CompareText(const CompareContent& content)
{
    std::string text;
    if (!content.warning.empty())
        text += content.warning + "\n\n";
    if (content.rows.empty())
        return text + content.note;
    text += content.headers[0] + ": " + content.headers[1] + " / " + content.headers[2] + "\n";
    for (const CompareRow& r : content.rows)
        text += r.parameter + ": " + r.onScreen + " / " + r.onSwitch + " " + r.unit + "\n";
    return text + content.note;
}

ConfigRecord FormConfigLogic::recordOnScreen() const
{
    ConfigRecord shown = record_;
    editor_.StoreRecord(shown);
    return shown;
}

void FormConfigLogic::ActionCompareExecute()
{
    if (!activePort_)
        return;  // only reachable when a view calls a disabled command

    ConfigRecord onSwitch = record_;
    std::unique_ptr<ProgressView> progress = openProgress(std::string(kDownloadProgressText), kParameterWordCount);
    CountWords observer(progress.get());
    const LinkFailure failure = activePort_->Download(onSwitch, observer);
    if (failure != LinkFailure::None) {
        // As a failed Download: the message, the link gone, the disconnected state.
        error(TransferErrorText(failure));
        destroyActivePort();
        progress.reset();
        setDisconnectedDisplay();
        changed();
        return;
    }
    progress.reset();
    KeepState(onSwitch);

    const ConfigRecord onScreen = recordOnScreen();
    const ViewComparison diff =
        CompareViews(MakeParameterView(onScreen, dataSource_ == DataSource::Switch), MakeParameterView(onSwitch, true));
    CompareContent content;
    for (const ViewDifference& d : diff.parameters) {
        const std::optional<ParameterInfo> p = FindParameter(d.key);
        content.rows.push_back({std::string(d.label), d.a, d.b, std::string(d.unit), p ? p->word : -1, true});
        content.canUpload = content.canUpload || p.has_value();
    }
    content.note = content.rows.empty() ? kNoDifferences
                                        : std::to_string(content.rows.size()) + " parameter(s) differ";
    if (diff.otherSwitch) {
        content.warning = "The ATS code of the switch is not the one on screen: another switch.";
        content.canUpload = false;
    }
    const CompareChoice choice = view_.runComparison(content);
    if (!choice.upload || choice.words.empty() || !content.canUpload)
        return;
    uploadSelected(onSwitch, onScreen, choice.words);
}

// "Upload selected": the changed-only upload of the ticked words, with Upload's question,
// under the progress dialog, then the read-back.
void FormConfigLogic::uploadSelected(const ConfigRecord& onSwitch, const ConfigRecord& onScreen,
                                     const std::vector<int>& words)
{
    if (view_.showMessage({std::string(text::kTitle), std::string(text::kUploadQuestion), MessageIcon::Question,
                           MessageButtons::YesNo}) != MessageResult::Yes)
        return;
    ConfigRecord wanted = onSwitch;
    for (const int w : words)
        wanted.setWord(w, onScreen.word(w));
    const int steps = kParameterWordCount + 2 * static_cast<int>(words.size());
    std::unique_ptr<ProgressView> progress = openProgress(std::string(kUploadProgressText), steps);
    CountWords observer(progress.get(), kUploadProgressLabel);
    const ChangedUploadResult r = activePort_->UploadChanged(wanted, observer);
    progress.reset();
    if (r.failure != TransferFailure::None) {
        std::string message = TransferErrorText(r.failure);
        if (r.stage == ChangedUploadStage::Write || r.stage == ChangedUploadStage::Stopped)
            message += "\n\n" + UnfinishedUploadText(r, "the values on screen");
        error(message);
        destroyActivePort();
        setDisconnectedDisplay();
        changed();
        return;
    }
    if (r.stage == ChangedUploadStage::OtherSwitch) {
        error("The ATS code of the switch is not the one on screen: nothing written.");
        return;
    }
    if (!r.mismatches.empty()) {
        std::string message = "The switch does not hold every word written:";
        for (const WordMismatch& m : r.mismatches)
            message += "\nword " + std::to_string(m.word) + " (" +
                       std::string(kParameters[static_cast<std::size_t>(m.word)].name) + "): sent " +
                       std::to_string(m.sent) + ", switch holds " + std::to_string(m.held);
        error(message);
        return;
    }
    uploadedRecord_ = wanted;
    uploadTime_ = ReportTimeNow();
    uploaded_ = true;
    view_.showMessage({std::string(text::kTitle),
                       std::to_string(r.changes.size()) + " word(s) written; the switch holds them.",
                       MessageIcon::Information, MessageButtons::Ok});
    changed();
}

void FormConfigLogic::ActionReportExecute()
{
    const std::optional<std::string> chosen =
        view_.runSaveDialog({std::string(text::kReportDialogTitle), std::string(text::kReportFilter), "*.html", {}});
    if (!chosen || chosen->empty())
        return;
    std::string name = *chosen;
    if (name.find('.', name.find_last_of("/\\") + 1) == std::string::npos)
        name += ".html";
    // An existing report is replaced only when the user says so, as a configuration file.
    std::error_code ignored;
    if (std::filesystem::exists(name, ignored) &&
        view_.showMessage({std::string(kFileMessageTitle), OverwriteQuestion(name), MessageIcon::Question,
                           MessageButtons::YesNo}) != MessageResult::Yes)
        return;
    const ConfigRecord onScreen = recordOnScreen();
    const std::string origin = dataSource_ == DataSource::Switch ? "switch, read at " + sourceTime_ : state_.status.labelFile;
    // Each value says where it came from: read (or written) and unchanged since, or only on screen.
    ReportDetails details{origin, ReportTimeNow(), std::string(text::kProductName) + " " + std::string(text::kVersion),
                          {}, {}, {}};
    bool allFromOrigin = true;
    for (int i = 0; i < kParameterWordCount; ++i) {
        std::string from = origin;
        if (uploaded_ && onScreen.word(i) == uploadedRecord_.word(i))
            from = "switch, written at " + uploadTime_;
        else if (onScreen.word(i) != sourceRecord_.word(i))
            from = std::string(text::kOnScreenNotUploaded);
        allFromOrigin = allFromOrigin && from == origin;
        details.valueSources.push_back(std::move(from));
    }
    if (!allFromOrigin)
        details.source = origin + "; changed on screen since (see each value's source)";
    // Nominal data is the switch's only while the record still holds what was read.
    const auto nominal = [](const ConfigRecord& r) {
        return std::array{r.number(field::NominalCurrent), r.number(field::NominalVoltage), r.number(field::NominalFrequency)};
    };
    const bool nominalRead = dataSource_ == DataSource::Switch && nominal(onScreen) == nominal(sourceRecord_);
    const std::string html = SettingsReportHtml(MakeParameterView(onScreen, nominalRead), details);
    if (ReplaceFileContents(name, html) != ReplaceResult::Replaced) {
        error(std::string(text::kCannotWriteReport) + name);
        return;
    }
    // Opened as Help opens the manual: the desktop's viewer for the page.
    const std::size_t cut = name.find_last_of("/\\");
    const std::string folder = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
    const std::string file = cut == std::string::npos ? name : name.substr(cut + 1);
    const unsigned code = env_.openDocument ? env_.openDocument(folder, file) : OpenDocument(folder, file);
    if (code > 32)
        return;
    std::string message(name.size() + 64, '\0');
    const int length = std::snprintf(message.data(), message.size(), text::kCannotOpenManual.data(), name.c_str(), code);
    message.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    view_.showMessage({std::string(text::kHelpTitle), message, MessageIcon::Error, MessageButtons::Ok});
}

} // namespace kovrin
