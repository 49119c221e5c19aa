// A gang unit on a serial port, over the link object and comm's commissioning operations.
#include "comm/gang/UnitLink.h"

#include "comm/Archive.h"
#include "comm/CommPort.h"
#include "comm/DebugLog.h"
#include "comm/Frame.h"

#include <array>

namespace kovrin::gang {

namespace {

constexpr const char* kCannotOpenSerial = "Cannot open serial port";

class SerialUnit final : public UnitLink {
public:
    explicit SerialUnit(std::string port) : port_(std::move(port)) {}
    ~SerialUnit() override { Close(); }

    bool Open(std::string& message) override
    {
        DebugLogF("Local port: %s\n", port_.c_str());
        link_ = std::make_unique<CommPort>();
        link_->portName = port_;
        if (link_->ConnectPort())
            return true;
        message = kCannotOpenSerial;
        if (link_->openFailure().forUser)
            message += ": " + link_->openFailure().text;
        link_.reset();
        return false;
    }
    void Close() override
    {
        if (link_)
            link_->ClosePort();
        link_.reset();
    }
    bool Probe() override
    {
        std::array<std::uint8_t, kAnswerGI.expected> answer{};
        std::size_t received = 0;
        return link_ &&
               ExchangeRequest(*link_, BuildRequestGI(), kAnswerGI, answer.data(), answer.size(), received) ==
                   TransferFailure::None &&
               received == kAnswerGI.expected;
    }
    TransferFailure ReadState(ConfigRecord& state, const WordDone& wordDone) override
    {
        return ReadSwitchState(*link_, state, wordDone);
    }
    std::string Archive(const ConfigRecord& state) override { return KeepState(state, archive_); }
    TransferFailure UploadChanged(const ConfigRecord& state, const ConfigRecord& target, const Pause& pause,
                                  const WordDone& wordDone, std::vector<WordChange>& written) override
    {
        // One word at a time, the pause taken here, so that a stop between words is heard.
        FakeClock noWait;
        for (const WordChange& change : DifferingWords(state, target)) {
            if (!pause(kUploadPause))
                return TransferFailure::None;
            if (const TransferFailure f = WriteWords(*link_, std::span(&change, 1), noWait, wordDone);
                f != TransferFailure::None)
                return f;
            written.push_back(change);
        }
        return TransferFailure::None;
    }
    TransferFailure ReadBack(const ConfigRecord& target, std::vector<WordMismatch>& mismatches) override
    {
        ReadBackResult r = ReadBackWords(*link_, target);
        mismatches = std::move(r.mismatches);
        return r.failure;
    }

private:
    std::string port_;
    const ArchiveLocation archive_ = ArchiveFromEnvironment();
    std::unique_ptr<CommPort> link_;
};

} // namespace

std::unique_ptr<UnitLink> MakeSerialUnit(const std::string& port) { return std::make_unique<SerialUnit>(port); }

} // namespace kovrin::gang
