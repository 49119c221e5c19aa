// ActionCompareExecute (the switch's words against the values on screen) and
// ActionReportExecute (the settings report of the values on screen).
#include "app/logic/FormConfigLogic.h"

#include "app/logic/CompareDialog.h"
#include "app/logic/WindowTexts.h"
#include "comm/Archive.h"
#include "config/ParameterView.h"
#include "config/SettingsReport.h"
#include "platform/FileReplace.h"
#include "platform/Folders.h"
#include "platform/Shell.h"

#include <cstdio>

namespace kovrin {

namespace {

class CountWords final : public TransferObserver {
public:
    explicit CountWords(ProgressView* progress) : progress_(progress) {}
    void wordTransferred(int) override
    {
        if (!progress_)
            return;
        progress_->setPosition(++position_);
        progress_->setLabel(kDownloadProgressLabel);
        progress_->repaint();
    }

private:
    ProgressView* progress_;
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

    const ViewComparison diff =
        CompareViews(MakeParameterView(recordOnScreen(), dataSource_ == DataSource::Switch), MakeParameterView(onSwitch, true));
    CompareContent content;
    for (const ViewDifference& d : diff.parameters)
        content.rows.push_back({std::string(d.label), d.a, d.b, std::string(d.unit)});
    content.note = content.rows.empty() ? kNoDifferences
                                        : std::to_string(content.rows.size()) + " parameter(s) differ";
    if (diff.otherSwitch)
        content.warning = "The ATS code of the switch is not the one on screen: another switch.";
    view_.showComparison(content);
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
    const std::string source = dataSource_ == DataSource::Switch ? "ATS" : state_.status.labelFile;
    const ReportDetails details{source, ReportTimeNow(),
                                std::string(text::kProductName) + " " + std::string(text::kVersion), {}, {}};
    const std::string html = SettingsReportHtml(MakeParameterView(recordOnScreen(), dataSource_ == DataSource::Switch), details);
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
