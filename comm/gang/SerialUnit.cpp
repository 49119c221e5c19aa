// A gang unit on a serial port, over the link object and comm's commissioning operations.
#include "comm/gang/UnitLink.h"

#include "comm/Archive.h"
#include "comm/SwitchSession.h"
#include "comm/DebugLog.h"
#include "comm/Frame.h"

#include <array>

namespace kovrin::gang {

namespace {

class SerialUnit final : public UnitLink {
public:
    explicit SerialUnit(std::string port) : port_(std::move(port)) {}
    ~SerialUnit() override { Close(); }

    bool Open(std::string& message) override
    {
        LinkOpening opened = OpenSwitchLink(port_);
        link_ = std::move(opened.link);
        if (link_)
            return true;
        message = opened.message + (opened.reason.empty() ? "" : ": " + opened.reason);
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
        std::vector<WordChange> changes = DifferingWords(state, target);
        OrderForRules(state, changes);
        WriteOutcome out = WriteWords(*link_, changes, pause, wordDone);
        written = std::move(out.written);
        return out.failure;
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
