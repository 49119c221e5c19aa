// Download and upload through a scripted switch on the link operations, with a fault at
// any request and any operation.
#include "comm/Transfer.h"

#include "comm/ChangedUpload.h"

#include "comm/Frame.h"
#include "config/ConfigRecord.h"
#include "tests/comm/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace kovrin {
namespace {

using namespace std::chrono_literals;

enum class Fault { FreeBuffer, WriteBuffer, ReadBuffer, DamagedAnswer, ShortAnswer, WrongSize };

class ScriptedSwitch final : public LinkOperations {
public:
    explicit ScriptedSwitch(Clock* clock = nullptr) : clock_(clock)
    {
        for (int i = 0; i < kParameterWordCount; ++i)
            words[i] = static_cast<std::uint16_t>(0x0101 * (i + 1) + 0x80);
    }

    void failAt(std::size_t request, Fault fault) { fault_ = {request, fault}; }

    bool FreeBuffer() override { return !faultNow(Fault::FreeBuffer); }

    bool WriteBuffer(const std::uint8_t* frame, std::size_t count) override
    {
        if (faultNow(Fault::WriteBuffer))
            return false;
        requests.emplace_back(frame, frame + count);
        if (clock_)
            sentAt.push_back(clock_->now());
        const ParsedRequest r = ParseRequest(frame, count);
        if (!r.ok)
            answer_.clear();
        else if (r.command == "GI")
            answer_ = BuildAnswerGI(id);
        else if (r.command == "GN")
            answer_ = BuildAnswerGN(nominal);
        else if (r.command == "GM")
            answer_ = BuildAnswerGM(words[r.index & 15]);
        else {
            if ((r.index & 15) != keepWord)
                words[r.index & 15] = r.value;
            answer_ = BuildAnswerSM();
        }
        return true;
    }

    bool ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                    std::size_t alternative) override
    {
        const std::size_t current = requests.size() - 1;
        Frame answer = answer_;
        if (fault_ && fault_->first == current) {
            switch (fault_->second) {
            case Fault::ReadBuffer:
                received = 0;
                return false;
            case Fault::DamagedAnswer:
                answer[answer.size() - 2] ^= 1;
                break;
            case Fault::ShortAnswer:
                answer = BuildShortAnswer(std::string(answer.begin() + 3, answer.begin() + 5));
                break;
            case Fault::WrongSize:
                answer = BuildAnswerGM(0);
                if (answer.size() == expected)
                    answer = BuildAnswerGN({});
                break;
            default:
                break;
            }
        }
        received = std::min(capacity, answer.size());
        std::copy_n(answer.begin(), received, buffer);
        return AcceptAnswer(buffer, received, expected, alternative);
    }

    Identification id{"ATS-0001", "KOVRIN 63A", "FW 2.01", 'B', 'S', '2', '3'};
    NominalData nominal{63, 230, 500};
    std::array<std::uint16_t, kParameterWordCount> words{};
    std::vector<Frame> requests;
    std::vector<Clock::TimePoint> sentAt;
    int keepWord = -1;  // acknowledges writes of this word but keeps its value

private:
    bool faultNow(Fault f) const { return fault_ && fault_->first == requests.size() && fault_->second == f; }

    Clock* clock_;
    Frame answer_;
    std::optional<std::pair<std::size_t, Fault>> fault_;
};

ConfigRecord FactoryRecord()
{
    ConfigRecord r;
    LoadFactoryDefaults(r);
    return r;
}

TEST(DownloadRecord, FillsTheWholeRecordFromTheSwitch)
{
    LogCapture log;
    ScriptedSwitch sw;
    ConfigRecord record = FactoryRecord();
    std::vector<int> done;
    ASSERT_EQ(DownloadRecord(sw, record, [&](int w) { done.push_back(w); }), TransferFailure::None);

    ASSERT_EQ(sw.requests.size(), 18u);
    EXPECT_EQ(sw.requests[0], BuildRequestGI());
    EXPECT_EQ(sw.requests[1], BuildRequestGN());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(sw.requests[2 + i], BuildRequestGM(i));

    EXPECT_EQ(record.text(field::AtsCode), "ATS-0001        ");
    EXPECT_EQ(record.text(field::AtsModel), "KOVRIN 63A      ");
    EXPECT_EQ(record.text(field::FirmwareVersion), "FW 2.01     ");
    EXPECT_EQ(record.code(field::IoConfiguration), 'B');
    EXPECT_EQ(record.code(field::AtsType), 'S');
    EXPECT_EQ(record.code(field::InputSocket), '2');
    EXPECT_EQ(record.code(field::OutputSocket), '3');
    EXPECT_EQ(record.number(field::NominalCurrent), 63);
    EXPECT_EQ(record.number(field::NominalVoltage), 230);
    EXPECT_EQ(record.number(field::NominalFrequency), 50);
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(record.word(i), sw.words[i]) << i;
        sum += (sw.words[i] >> 8) + (sw.words[i] & 0xFF);
    }
    for (int i = 16; i < 256; ++i)
        ASSERT_EQ(record.word(i), 0) << i;  // the factory 0xFF filling is gone
    EXPECT_EQ(record.word(kRecordSumWord), sum % 65536);
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_NE(log.console().find("\n Prepared message: " + FrameText(BuildRequestGM(15))), std::string::npos);
}

TEST(DownloadRecord, AnyFailureLeavesTheRecordAsItWas)
{
    struct Case {
        std::size_t request;  // 0 "GI", 1 "GN", 2.. "GM" for words 0..15
        Fault fault;
        TransferFailure expected;
    } cases[] = {
        {0, Fault::FreeBuffer, TransferFailure::FreeBuffer},
        {0, Fault::WriteBuffer, TransferFailure::WriteBuffer},
        {0, Fault::ReadBuffer, TransferFailure::ReadBuffer},
        {0, Fault::WrongSize, TransferFailure::ReadBuffer},
        {0, Fault::ShortAnswer, TransferFailure::ReadBuffer},
        {1, Fault::FreeBuffer, TransferFailure::FreeBuffer},
        {1, Fault::DamagedAnswer, TransferFailure::ReadBuffer},
        {1, Fault::ShortAnswer, TransferFailure::ReadBuffer},
        {2, Fault::WriteBuffer, TransferFailure::WriteBuffer},
        {2, Fault::ShortAnswer, TransferFailure::ReadBuffer},
        {9, Fault::DamagedAnswer, TransferFailure::ReadBuffer},
        {17, Fault::FreeBuffer, TransferFailure::FreeBuffer},
        {17, Fault::ReadBuffer, TransferFailure::ReadBuffer},
        {17, Fault::ShortAnswer, TransferFailure::ReadBuffer},
        {17, Fault::WrongSize, TransferFailure::ReadBuffer},
    };
    for (const Case& c : cases) {
        ScriptedSwitch sw;
        sw.failAt(c.request, c.fault);
        ConfigRecord record = FactoryRecord();
        const ConfigRecord before = record;
        int done = 0;
        EXPECT_EQ(DownloadRecord(sw, record, [&](int) { ++done; }), c.expected) << c.request;
        EXPECT_EQ(record, before) << c.request;
        const bool sent = c.fault != Fault::FreeBuffer && c.fault != Fault::WriteBuffer;
        EXPECT_EQ(sw.requests.size(), c.request + (sent ? 1 : 0)) << c.request;  // nothing after the failure
        EXPECT_EQ(done, c.request > 2 ? static_cast<int>(c.request) - 2 : 0) << c.request;
    }
}

TEST(DownloadRecord, AnswerWithoutDataIsLogged)
{
    for (std::size_t request : {0u, 1u, 5u}) {
        LogCapture log;
        ScriptedSwitch sw;
        sw.failAt(request, Fault::ShortAnswer);
        ConfigRecord record;
        EXPECT_EQ(DownloadRecord(sw, record), TransferFailure::ReadBuffer);
        const char* command = request == 0 ? "GI" : request == 1 ? "GN" : "GM";
        EXPECT_NE(log.console().find(std::string("the switch answered ") + command + " without data"),
                  std::string::npos)
            << request;
    }
}

TEST(DownloadRecord, IdentificationCheckFieldIsNotJudged)
{
    // A 68-byte answer passes whatever its check field holds.
    ScriptedSwitch sw;
    sw.failAt(0, Fault::DamagedAnswer);
    ConfigRecord record;
    EXPECT_EQ(DownloadRecord(sw, record), TransferFailure::None);
    EXPECT_EQ(record.text(field::AtsCode), "ATS-0001        ");
}

TEST(UploadRecord, SendsEachWordAfterItsPause)
{
    LogCapture log;
    FakeClock clock;
    ScriptedSwitch sw(&clock);
    ConfigRecord record = FactoryRecord();
    record.setWord(0, 0xFFFF);
    record.setWord(10, 0x0102);
    const auto start = clock.now();
    std::vector<int> done;
    ASSERT_EQ(UploadRecord(sw, record, clock, [&](int w) { done.push_back(w); }), TransferFailure::None);
    ASSERT_EQ(sw.requests.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(sw.requests[i], BuildRequestSM(i, record.word(i))) << i;
        EXPECT_EQ(sw.words[i], record.word(i)) << i;
        EXPECT_EQ(sw.sentAt[i] - start, (i + 1) * 750ms) << i;  // the pause comes before each request
    }
    EXPECT_EQ(clock.totalSlept(), 16 * 750ms);
    EXPECT_EQ(done.size(), 16u);
    EXPECT_NE(log.console().find("\n Prepared message: " + FrameText(BuildRequestSM(0, 0xFFFF))), std::string::npos);
}

TEST(UploadRecord, StopsAtTheFirstFailedWord)
{
    struct Case {
        std::size_t word;
        Fault fault;
        TransferFailure expected;
    } cases[] = {
        {0, Fault::FreeBuffer, TransferFailure::FreeBuffer},
        {0, Fault::WriteBuffer, TransferFailure::WriteBuffer},
        {3, Fault::ReadBuffer, TransferFailure::ReadBuffer},
        {3, Fault::DamagedAnswer, TransferFailure::ReadBuffer},
        {7, Fault::WrongSize, TransferFailure::ReadBuffer},
        {15, Fault::DamagedAnswer, TransferFailure::ReadBuffer},
    };
    for (const Case& c : cases) {
        FakeClock clock;
        ScriptedSwitch sw;
        sw.failAt(c.word, c.fault);
        const ConfigRecord record = FactoryRecord();
        int done = 0;
        EXPECT_EQ(UploadRecord(sw, record, clock, [&](int) { ++done; }), c.expected) << c.word;
        EXPECT_EQ(done, static_cast<int>(c.word)) << c.word;
        const bool sent = c.fault != Fault::FreeBuffer && c.fault != Fault::WriteBuffer;
        EXPECT_EQ(sw.requests.size(), c.word + (sent ? 1 : 0)) << c.word;
        EXPECT_EQ(clock.totalSlept(), static_cast<int>(c.word + 1) * 750ms) << c.word;
    }
}

class RecordingView final : public TransferView {
public:
    void OfferToSave() override { events.push_back("offer"); }
    bool ValidateControls() override
    {
        events.push_back("validate");
        return valid;
    }
    bool ConfirmUpload() override
    {
        events.push_back("confirm");
        return yes;
    }
    void StoreRecord(ConfigRecord& record) override
    {
        events.push_back("store");
        record.setWord(0, 0x1111);
    }
    void ShowError(const std::string& text) override { events.push_back("error " + text); }
    bool CreateProgress(const std::string& text, int maximum) override
    {
        events.push_back("progress " + text + " " + std::to_string(maximum));
        return progressOk;
    }
    void AdvanceProgress(const std::string& label) override { events.push_back("advance " + label); }
    void CloseProgress() override { events.push_back("close"); }
    void DropLink() override { events.push_back("drop"); }

    bool valid = true;
    bool yes = true;
    bool progressOk = true;
    std::vector<std::string> events;
};

std::vector<std::string> Advances(const char* label, int n)
{
    return std::vector<std::string>(static_cast<std::size_t>(n), std::string("advance ") + label);
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(RunDownload, DrivesTheViewInOrder)
{
    const std::string label = kDownloadProgressLabel;
    {
        ScriptedSwitch sw;
        RecordingView view;
        ConfigRecord record;
        EXPECT_TRUE(RunDownload(sw, record, view).ok());
        EXPECT_EQ(view.events, Join({{"offer", "progress Configuration records downloading 16"},
                                     Advances(kDownloadProgressLabel, 16), {"close"}}));
    }
    {
        ScriptedSwitch sw;
        sw.failAt(5, Fault::ReadBuffer);  // word 3
        RecordingView view;
        ConfigRecord record;
        const TransferOutcome outcome = RunDownload(sw, record, view);
        EXPECT_EQ(outcome.failure, TransferFailure::ReadBuffer);
        EXPECT_FALSE(outcome.ok());
        EXPECT_EQ(view.events, Join({{"offer", "progress Configuration records downloading 16"},
                                     Advances(kDownloadProgressLabel, 3),
                                     {"error Error in ReadBuffer serial port", "drop", "close"}}));
    }
    {
        ScriptedSwitch sw;
        sw.failAt(0, Fault::FreeBuffer);
        RecordingView view;
        view.progressOk = false;  // goes on without the dialog
        ConfigRecord record;
        EXPECT_EQ(RunDownload(sw, record, view).failure, TransferFailure::FreeBuffer);
        EXPECT_EQ(view.events, (std::vector<std::string>{"offer", "progress Configuration records downloading 16",
                                                         "error Error in FreeBuffer serial port", "drop"}));
    }
}

TEST(RunUpload, StopsBeforeSendingWhenInvalidOrDeclined)
{
    for (bool valid : {false, true}) {
        FakeClock clock;
        ScriptedSwitch sw;
        RecordingView view;
        view.valid = valid;
        view.yes = false;
        ConfigRecord record = FactoryRecord();
        const ConfigRecord before = record;
        const TransferOutcome outcome = RunUpload(sw, record, view, clock);
        EXPECT_FALSE(outcome.started);
        EXPECT_FALSE(outcome.ok());
        EXPECT_TRUE(sw.requests.empty());
        EXPECT_EQ(record, before);
        const std::vector<std::string> expected =
            valid ? std::vector<std::string>{"validate", "confirm"} : std::vector<std::string>{"validate"};
        EXPECT_EQ(view.events, expected);
    }
}

TEST(RunUpload, StoresThenSendsWithProgress)
{
    {
        FakeClock clock;
        ScriptedSwitch sw;
        RecordingView view;
        ConfigRecord record = FactoryRecord();
        EXPECT_TRUE(RunUpload(sw, record, view, clock).ok());
        EXPECT_EQ(sw.requests.at(0), BuildRequestSM(0, 0x1111));  // the stored control value
        EXPECT_EQ(view.events, Join({{"validate", "confirm", "store", "progress Configuration records uploading 16"},
                                     Advances(kUploadProgressLabel, 16), {"close"}}));
    }
    {
        FakeClock clock;
        ScriptedSwitch sw;
        sw.failAt(2, Fault::WriteBuffer);
        RecordingView view;
        ConfigRecord record = FactoryRecord();
        EXPECT_EQ(RunUpload(sw, record, view, clock).failure, TransferFailure::WriteBuffer);
        EXPECT_EQ(view.events, Join({{"validate", "confirm", "store", "progress Configuration records uploading 16"},
                                     Advances(kUploadProgressLabel, 2),
                                     {"error Error in WriteBuffer serial port", "drop", "close"}}));
    }
}

TEST(UploadChangedWords, WritesOnlyDifferingWordsThenReadsThemBack)
{
    struct Case {
        const char* name;
        std::vector<int> changed;  // words the wanted record changes
        std::string code;          // the wanted record's ATS code
        bool anySwitch;
        int keepWord;
        ChangedUploadStage stage;
        std::size_t mismatches;
    } cases[] = {
        {"nothing differs", {}, "ATS-0001        ", false, -1, ChangedUploadStage::Done, 0},
        {"two words", {3, 12}, "ATS-0001        ", false, -1, ChangedUploadStage::Done, 0},
        {"another switch", {3}, "ATS-0002", false, -1, ChangedUploadStage::OtherSwitch, 0},
        {"another switch allowed", {3}, "ATS-0002", true, -1, ChangedUploadStage::Done, 0},
        {"switch keeps a word", {3, 12}, "ATS-0001        ", false, 12, ChangedUploadStage::Done, 1},
    };
    for (const Case& c : cases) {
        LogCapture log;
        FakeClock clock;
        ScriptedSwitch sw(&clock);
        sw.keepWord = c.keepWord;
        ConfigRecord wanted;
        ASSERT_EQ(DownloadRecord(sw, wanted), TransferFailure::None);
        const auto held = sw.words;
        for (int w : c.changed)
            wanted.setWord(w, static_cast<std::uint16_t>(wanted.word(w) + 1));
        wanted.setText(field::AtsCode, c.code);
        sw.requests.clear();

        const ChangedUploadResult r = UploadChangedWords(sw, wanted, clock, {c.anySwitch, nullptr});
        EXPECT_EQ(r.stage, c.stage) << c.name;
        EXPECT_EQ(r.mismatches.size(), c.mismatches) << c.name;
        EXPECT_EQ(r.changes.size(), c.changed.size()) << c.name;
        const bool writes = c.stage == ChangedUploadStage::Done;
        // The state read with the download's requests but "GN", then each changed word's SM after
        // its pause, then a GM for each of them.
        std::vector<Frame> expected{BuildRequestGI()};
        for (int i = 0; i < 16; ++i)
            expected.push_back(BuildRequestGM(i));
        for (int w : writes ? c.changed : std::vector<int>{})
            expected.push_back(BuildRequestSM(w, wanted.word(w)));
        for (int w : writes ? c.changed : std::vector<int>{})
            expected.push_back(BuildRequestGM(w));
        EXPECT_EQ(sw.requests, expected) << c.name;
        EXPECT_EQ(clock.totalSlept(), static_cast<int>(writes ? c.changed.size() : 0) * 750ms) << c.name;
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(r.before.word(i), held[static_cast<std::size_t>(i)]) << c.name;
    }
}

} // namespace
} // namespace kovrin
