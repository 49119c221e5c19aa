#include "comm/net/NetworkLink.h"

#include "comm/DebugLog.h"
#include "comm/net/Rfc2217Channel.h"
#include "platform/Socket.h"
#include "platform/TimedIo.h"

namespace kovrin {

namespace {

class NetworkPort final : public SerialPort {
public:
    NetworkPort(std::unique_ptr<Socket> channel, const SerialTimeouts& timeouts)
        : channel_(std::move(channel)), timeouts_(timeouts)
    {
    }

    bool Purge(unsigned& error) override
    {
        // A connection the server has closed holds nothing left to discard: the request's
        // own exchange reports the close ("Error in ReadBuffer serial port"), as a serial
        // line reports a switch gone silent, whenever the close happens to arrive.
        if (channel_->DiscardReceived(error))
            return true;
        if (error != kHangUpError)
            return false;
        DebugLog("Network port: the server closed the connection\n");
        error = 0;
        return true;
    }
    SerialStatus Write(const std::uint8_t* data, std::size_t count, std::size_t& written, unsigned& error) override
    {
        return TimedWrite(*channel_, systemClock(), timeouts_, data, count, written, error);
    }
    SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error) override
    {
        return TimedRead(*channel_, systemClock(), timeouts_, buffer, expected, received, error);
    }
    void CancelWrite() override { channel_->DropUnsent(); }

private:
    std::unique_ptr<Socket> channel_;
    SerialTimeouts timeouts_;
};

} // namespace

std::unique_ptr<SerialPort> OpenNetworkLink(const std::string& url, unsigned baud, unsigned& error,
                                            std::string& reason, const NetworkWaits& waits)
{
    const std::optional<NetworkAddress> address = ParseNetworkUrl(url, reason);
    if (!address) {
        error = 22;  // EINVAL
        return nullptr;
    }
    DebugLogF("Network: connecting to %s port %u (%s)\n", address->host.c_str(), address->port,
              address->kind == NetworkKind::Rfc2217 ? "RFC 2217" : "raw TCP");
    SocketFailure failure;
    std::unique_ptr<Socket> socket = ConnectTcp(address->host, address->port, waits.connect, failure);
    if (!socket) {
        error = failure.error;
        reason = failure.text;
        return nullptr;
    }
    DebugLogF("Network: connected to %s port %u\n", address->host.c_str(), address->port);
    if (address->kind == NetworkKind::Raw)
        return std::make_unique<NetworkPort>(std::move(socket), waits.io);
    auto channel = std::make_unique<Rfc2217Channel>(std::move(socket));
    if (!channel->Negotiate(baud, systemClock(), waits.optionWait, error)) {
        reason = "the server at " + address->host + " port " + std::to_string(address->port) +
                 " closed the connection";
        return nullptr;
    }
    return std::make_unique<NetworkPort>(std::move(channel), waits.io);
}

} // namespace kovrin
