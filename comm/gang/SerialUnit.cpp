// A gang unit on a serial port, over the link object and the transfers of comm/.
#include "comm/gang/UnitLink.h"

#include "comm/CommPort.h"
#include "comm/DebugLog.h"
#include "comm/Frame.h"

#include <array>

namespace kovrin::gang {

namespace {

constexpr const char* kCannotOpenSerial = "Cannot open serial port";

TransferFailure Exchange(LinkOperations& link, const Frame& request, AnswerSizes sizes, std::size_t& received)
{
    std::array<std::uint8_t, 256> answer{};
    received = 0;
    if (!link.FreeBuffer())
        return TransferFailure::FreeBuffer;
    if (!link.WriteBuffer(request.data(), request.size()))
        return TransferFailure::WriteBuffer;
    if (!link.ReadBuffer(answer.data(), answer.size(), received, sizes.expected, sizes.alternative))
        return TransferFailure::ReadBuffer;
    return TransferFailure::None;
}

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
        std::size_t received = 0;
        return link_ && Exchange(*link_, BuildRequestGI(), kAnswerGI, received) == TransferFailure::None &&
               received == kAnswerGI.expected;
    }
    TransferFailure ReadState(ConfigRecord& state, const WordDone& wordDone) override
    {
        return DownloadRecord(*link_, state, wordDone);
    }
    bool Archive(const ConfigRecord&, std::string&) override { return true; }
    TransferFailure UploadChanged(const ConfigRecord& state, const ConfigRecord& target, const Pause& pause,
                                  const WordDone& wordDone, std::vector<WrittenWord>& written) override
    {
        for (int i = 0; i < kParameterWordCount; ++i) {
            if (state.word(i) == target.word(i))
                continue;
            if (!pause(kUploadPause))
                return TransferFailure::None;
            std::size_t received = 0;
            const Frame request = BuildRequestSM(i, target.word(i));
            DebugLog("\n Prepared message: " + FrameText(request));
            if (const TransferFailure f = Exchange(*link_, request, kAnswerSM, received); f != TransferFailure::None)
                return f;
            written.push_back({i, target.word(i)});
            if (wordDone)
                wordDone(i);
        }
        return TransferFailure::None;
    }
    TransferFailure ReadBack(const ConfigRecord& target, std::vector<WordDifference>& differences) override
    {
        ConfigRecord held;
        if (const TransferFailure f = DownloadRecord(*link_, held); f != TransferFailure::None)
            return f;
        for (int i = 0; i < kParameterWordCount; ++i)
            if (held.word(i) != target.word(i))
                differences.push_back({i, target.word(i), held.word(i)});
        return TransferFailure::None;
    }

private:
    std::string port_;
    std::unique_ptr<CommPort> link_;
};

} // namespace

std::unique_ptr<UnitLink> MakeSerialUnit(const std::string& port) { return std::make_unique<SerialUnit>(port); }

} // namespace kovrin::gang
