// download and upload: the window's Download and Upload commands for batch use, over a
// COM port, the USB adapter or any serial device path.
#include "Commands.h"
#include "cmd_transfer.h"

#include "comm/Archive.h"
#include "comm/ChangedUpload.h"
#include "comm/CommPort.h"
#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "comm/SwitchSession.h"
#include "comm/Transfer.h"
#include "comm/usb/UsbLink.h"
#include "config/ParameterEditor.h"
#include "config/Parameters.h"
#include "config/Windows1252.h"
#include "platform/Clock.h"
#include "platform/Interrupt.h"
#include "config/SwitchIdentity.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace kovrin::cli {

std::optional<std::string> ParsePortName(const std::string& text)
{
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "USB")
        return upper;
    if (upper.size() > 3 && upper.compare(0, 3, "COM") == 0 &&
        std::all_of(upper.begin() + 3, upper.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (upper.size() == 4 && upper[3] >= '1' && upper[3] <= '8')
            return upper;
        return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    return text;
}

std::string DescribeMismatch(const WordMismatch& m)
{
    return "word " + std::to_string(m.word) + " (" + std::string(kParameters[static_cast<std::size_t>(m.word)].name) +
           "): sent " + std::to_string(m.sent) + ", switch holds " + std::to_string(m.held);
}

namespace {

// The connection of one command. Closing happens on every way out, as the window
// closes the port after a failed transfer.
class Connection {
public:
    ~Connection() { close(); }
    // Connect's open for `name`; prints the window's message and gives false on failure.
    bool open(const std::string& name)
    {
        LinkOpening opened = OpenSwitchLink(name);
        for (const std::string& warning : opened.warnings)
            Fail(ExitOk, "warning: " + warning);
        if (!opened) {
            Fail(ExitDevice, opened.message);
            // The window shows the reason under its message when the system gives one.
            if (!opened.reason.empty())
                Fail(ExitDevice, opened.reason);
            return false;
        }
        port_ = std::move(opened.link);
        return true;
    }
    CommPort& link() { return *port_; }
    // After a failed transfer, as the window does: ClosePort, then the link is gone.
    void close()
    {
        if (port_)
            port_->ClosePort();
        port_.reset();
    }

private:
    std::unique_ptr<CommPort> port_;
};

// The tool's stand-in for the window around a transfer: errors on stderr, the progress
// dialog as one line on a terminal, the editor for validation and StoreRecord.
class CliTransferView final : public TransferView {
public:
    CliTransferView(Connection& connection, ParameterEditor* editor)
        : connection_(connection), editor_(editor), tty_(isatty(STDERR_FILENO) == 1)
    {
    }

    // Nothing is on screen in a batch run, so there is nothing to offer for saving.
    void OfferToSave() override {}
    bool ValidateControls() override
    {
        if (!editor_)
            return true;
        const ValidationResult verdict = editor_->ValidateControls();
        if (!verdict)
            Fail(ExitRefused, std::string(verdict.message) + " (" + std::string(NameOf(verdict.focus)) + ")");
        return static_cast<bool>(verdict);
    }
    // The command line is the user's answer.
    bool ConfirmUpload() override { return true; }
    void StoreRecord(ConfigRecord& record) override
    {
        if (editor_)
            editor_->StoreRecord(record);
    }
    void ShowError(const std::string& text) override
    {
        endLine();
        Fail(ExitDevice, text);
    }
    bool CreateProgress(const std::string& text, int maximum) override
    {
        text_ = text;
        maximum_ = maximum;
        position_ = 0;
        draw();
        return true;
    }
    void AdvanceProgress(const std::string&) override
    {
        ++position_;
        draw();
    }
    void CloseProgress() override { endLine(); }
    void DropLink() override { connection_.close(); }

private:
    void draw()
    {
        if (!tty_)
            return;
        std::fprintf(stderr, "\r%s: word %d of %d", text_.c_str(), position_, maximum_);
        std::fflush(stderr);
        drawn_ = true;
    }
    void endLine()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

    Connection& connection_;
    ParameterEditor* editor_;
    bool tty_;
    bool drawn_ = false;
    std::string text_;
    int maximum_ = 0;
    int position_ = 0;
};

std::string ShownCode(const ConfigRecord& record)
{
    return Windows1252ToUtf8(SwitchCode(record));
}

std::string ChangeText(const WordChange& c)
{
    return "word " + std::to_string(c.word) + " (" + std::string(kParameters[static_cast<std::size_t>(c.word)].name) +
           "): " + std::to_string(c.held) + " -> " + std::to_string(c.wanted);
}

// Ctrl+C while words are being written: the word on the line is finished, no new one
// starts. The pause before each word is where the stop is heard.
class StopBetweenWords {
public:
    StopBetweenWords() : watch_([this] { stop(); }) {}
    bool pause(Clock::Ms duration)
    {
        std::unique_lock lock(mutex_);
        return !woken_.wait_for(lock, duration, [this] { return stopped_; });
    }

private:
    void stop()
    {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        woken_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable woken_;
    bool stopped_ = false;
    InterruptWatch watch_;
};

// upload --changed-only: read the switch, write what differs, read it back.
int UploadChanged(Connection& connection, const ConfigRecord& wanted, bool anySwitch, const std::string& file,
                  StopBetweenWords& stop)
{
    CliTransferView view(connection, nullptr);
    // The bar follows the read of the 16 words; the writes that follow are few.
    view.CreateProgress(kDownloadProgressText, kParameterWordCount);
    const ArchiveLocation archive = ArchiveFromEnvironment();
    bool closed = false;
    const ChangedUploadResult r = UploadChangedWords(
        connection.link(), wanted, [&](Clock::Ms pause) { return stop.pause(pause); }, {anySwitch, &archive},
        [&](ChangedUploadStage stage, int) {
            if (stage == ChangedUploadStage::Read)
                view.AdvanceProgress({});
        },
        [&](const ChangedUploadResult& plan) {
            view.CloseProgress();
            closed = true;
            if (!plan.ruleSafeOrder && !plan.changes.empty())
                Fail(ExitOk, kNoRuleSafeOrder);
        });
    if (!closed)
        view.CloseProgress();
    const bool cutOff = r.stage == ChangedUploadStage::Write || r.stage == ChangedUploadStage::Stopped;
    if (r.failure != TransferFailure::None) {
        view.ShowError(TransferErrorText(r.failure));
        view.DropLink();
        if (cutOff)
            Fail(ExitDevice, UnfinishedUploadText(r, file));
        return ExitDevice;
    }
    if (r.stage == ChangedUploadStage::Stopped) {
        Fail(ExitDevice, "Stopped by Ctrl+C between words.");
        return Fail(ExitDevice, UnfinishedUploadText(r, file));
    }
    if (r.stage == ChangedUploadStage::OtherSwitch)
        return Fail(ExitRefused, "the switch's ATS code '" + ShownCode(r.before) + "' is not the file's '" +
                                     ShownCode(wanted) + "': nothing written (--any-switch writes anyway)");
    std::printf("%zu of 16 words changed\n", r.changes.size());
    if (r.changes.empty())
        std::printf("nothing to change: nothing written\n");
    for (const WordChange& c : r.changes)
        std::printf("  %s\n", ChangeText(c).c_str());
    for (const WordMismatch& m : r.mismatches)
        Fail(ExitDevice, DescribeMismatch(m));
    if (!r.mismatches.empty())
        return Fail(ExitDevice, std::to_string(r.mismatches.size()) + " of " + std::to_string(r.changes.size()) +
                                    " written words differ after the upload");
    if (!r.changes.empty())
        std::printf("verified: the switch holds the words written\n");
    return ExitOk;
}

// --debug and --port, common to both commands. Returns an exit code, or -1 to go on.
int Prepare(const Args& args, std::string& port)
{
    if (args.has("debug")) {
        SetDebugMode(true);
        SetDebugConsole(StandardOutputConsole());
    }
    const std::vector<std::string> ports = args.all("port");
    if (ports.size() != 1)
        return Fail(ExitUsage, "give the port once: --port COM1..COM8, USB, a device path or rfc2217://HOST:PORT");
    const std::optional<std::string> name = ParsePortName(ports[0]);
    if (!name)
        return Fail(ExitUsage, "unknown port '" + ports[0] + "' (COM1..COM8, USB, a device path or rfc2217://HOST:PORT)");
    port = *name;
    return -1;
}

// Keeps the state read; one line when the switch holds other words than last time.
void KeepAndNote(const ConfigRecord& record)
{
    const KeptState kept = KeepStateOnce(record, ArchiveFromEnvironment(), std::time(nullptr));
    if (const std::string note = ChangedSinceText(kept); !note.empty())
        Fail(ExitOk, note);
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace

int ReadFromSwitch(const Args& args, ConfigRecord& record)
{
    std::string port;
    if (const int code = Prepare(args, port); code >= 0)
        return code;
    Connection connection;
    if (!connection.open(port))
        return ExitDevice;
    CliTransferView view(connection, nullptr);
    if (!RunDownload(view, [&](const WordDone& done) { return DownloadRecord(connection.link(), record, done); }).ok())
        return ExitDevice;
    KeepAndNote(record);
    return -1;
}

int ReadSource(const Args& args, const std::string& what, Source& source)
{
    if (what == "ats") {
        source.fromSwitch = true;
        source.name = "ATS";
        return ReadFromSwitch(args, source.record);
    }
    if (what == "defaults") {
        LoadFactoryDefaults(source.record);
        source.name = "factory defaults";
        return -1;
    }
    source.name = what;
    return ReadInput(what, source.record) ? -1 : ExitFile;
}

int RunDownload(const Args& args)
{
    std::string port;
    if (const int code = Prepare(args, port); code >= 0)
        return code;
    const std::string& out = args.positional[0];
    const bool force = args.has("force");
    // Refuse before spending five seconds on the line; the writer asks again at the end.
    if (!force && Exists(out))
        return Fail(ExitFile, out + ": file exists (--force replaces it)");

    Connection connection;
    if (!connection.open(port))
        return ExitDevice;
    ConfigRecord record;
    CliTransferView view(connection, nullptr);
    if (!RunDownload(connection.link(), record, view).ok())
        return ExitDevice;
    KeepAndNote(record);
    return WriteOutput(record, out, force);
}

int RunUpload(const Args& args)
{
    std::string port;
    if (const int code = Prepare(args, port); code >= 0)
        return code;
    ConfigRecord record;
    if (!ReadInput(args.positional[0], record))
        return ExitFile;
    // As the window opens the file: the controls show it, and what they hold is what goes.
    ParameterEditor editor;
    editor.ShowRecord(record);
    Connection connection;
    CliTransferView view(connection, &editor);
    // Refused data never needs the device.
    if (!view.ValidateControls())
        return ExitRefused;

    // Before the link exists: a thread it starts inherits the blocked interrupt.
    StopBetweenWords stop;
    if (!connection.open(port))
        return ExitDevice;
    if (args.has("changed-only")) {
        editor.StoreRecord(record);
        return UploadChanged(connection, record, args.has("any-switch"), args.positional[0], stop);
    }
    // Words 0..15 in order, each after its pause, as Upload sends them; Ctrl+C stops
    // between two words.
    int acknowledged = 0;
    bool stopped = false;
    const TransferOutcome outcome = RunUpload(view, record, [&](const WordDone& done) {
        std::vector<WordChange> all;
        for (int i = 0; i < kParameterWordCount; ++i)
            all.push_back({i, record.word(i), record.word(i)});
        const WriteOutcome wrote = WriteWords(
            connection.link(), all, [&](Clock::Ms pause) { return stop.pause(pause); },
            [&](int word) {
                acknowledged = word + 1;
                done(word);
            });
        stopped = wrote.stopped;
        return wrote.failure;
    });
    if (!outcome.started)
        return ExitRefused;
    if (!outcome.ok())
        return Fail(ExitDevice, UnfinishedFullUploadText(acknowledged, args.positional[0]));
    if (stopped) {
        Fail(ExitDevice, "Stopped by Ctrl+C between words.");
        return Fail(ExitDevice, UnfinishedFullUploadText(acknowledged, args.positional[0]));
    }
    if (!args.has("verify"))
        return ExitOk;

    const ReadBackResult check = ReadBackWords(connection.link(), record);
    if (!check.linkOk())
        return Fail(ExitDevice, TransferErrorText(check.failure));
    for (const WordMismatch& m : check.mismatches)
        Fail(ExitDevice, DescribeMismatch(m));
    if (!check.mismatches.empty())
        return Fail(ExitDevice, std::to_string(check.mismatches.size()) + " of 16 words differ after the upload");
    std::printf("verified: the switch holds the 16 words sent\n");
    return ExitOk;
}

} // namespace kovrin::cli
