// A gang unit on a serial port, over the link object and comm's commissioning operations.
#include "comm/gang/UnitLink.h"

#include "comm/Archive.h"
#include "comm/SwitchSession.h"
#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "config/SwitchIdentity.h"


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
    bool Probe(std::string& code) override
    {
        ConfigRecord scratch;
        if (!link_ || ReadIdentification(*link_, scratch) != TransferFailure::None)
            return false;
        code = std::string(TrimSwitchText(scratch.text(field::AtsCode)));
        return true;
    }
    TransferFailure ReadState(ConfigRecord& state, const WordDone& wordDone) override
    {
        return ReadSwitchState(*link_, state, wordDone);
    }
    Kept Archive(const ConfigRecord& state) override
    {
        Kept kept{KeepState(state, archive_), {}};
        if (archive_.enabled && kept.path.empty())
            kept.error = "the state read could not be kept in the archive " + archive_.root;
        return kept;
    }
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
    std::unique_ptr<SwitchLink> link_;
};

} // namespace

std::unique_ptr<UnitLink> MakeSerialUnit(const std::string& port) { return std::make_unique<SerialUnit>(port); }

} // namespace kovrin::gang
