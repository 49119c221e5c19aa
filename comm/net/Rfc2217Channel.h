#pragma once
// The telnet layer of an RFC 2217 connection over a socket: 0xFF in the data doubled on
// the way out and undoubled on the way in, the server's option requests answered, its
// COM-port answers logged (debug mode). Nothing here waits for an answer: a server that
// ignores a setting is logged and the link goes on.
#include "platform/Socket.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kovrin {

class Rfc2217Channel final : public Socket {
public:
    explicit Rfc2217Channel(std::unique_ptr<Socket> socket);
    // Logs the settings the server never answered.
    ~Rfc2217Channel() override;

    // Offers the options and sets the line (`baud`, 8N1, no flow control), then purges
    // both directions at the server. Waits at most `optionWait` for the server's answer to
    // the COM-port option before sending the settings; false only if the connection
    // failed (`error`).
    bool Negotiate(unsigned baud, Clock& clock, Clock::Ms optionWait, unsigned& error);

    Wait WaitReadable(Clock::Ms timeout, unsigned& error) override;
    Wait WaitWritable(Clock::Ms timeout, unsigned& error) override;
    long ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error) override;
    long WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error) override;
    bool DiscardReceived(unsigned& error) override;
    void DropUnsent() override;

private:
    enum class In { Data, Iac, Verb, Sub, SubIac };
    enum class Answer { None, Agreed, Refused };

    // Decodes what the socket holds now; false when the peer is gone or failed.
    long Pump(unsigned& error);
    void Decode(std::uint8_t byte);
    void OnVerb(std::uint8_t verb, std::uint8_t option);
    void OnSubnegotiation();
    void Send(std::vector<std::uint8_t> bytes, const std::string& what);
    // Sends what is queued without waiting; false when the peer is gone or failed.
    bool Flush(unsigned& error);

    std::unique_ptr<Socket> socket_;
    std::deque<std::uint8_t> data_;     // decoded data not yet read
    std::vector<std::uint8_t> out_;     // bytes for the socket not yet sent
    bool frameQueued_ = false;          // out_ ends with the frame of the pending write
    In state_ = In::Data;
    std::uint8_t verb_ = 0;
    std::vector<std::uint8_t> sub_;
    Answer comPort_ = Answer::None;
    bool offered_[256] = {};            // options we offered with WILL
    bool asked_[256] = {};              // options we asked for with DO
    // The COM-port settings sent and not yet answered, by command; the value asked for.
    std::vector<std::pair<std::uint8_t, unsigned>> pending_;
};

} // namespace kovrin
