#include "comm/net/Rfc2217Channel.h"

#include "comm/DebugLog.h"

#include <algorithm>

namespace kovrin {

namespace {

constexpr std::uint8_t kSe = 240, kSb = 250, kWill = 251, kWont = 252, kDo = 253, kDont = 254, kIac = 255;
constexpr std::uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;

// The client's COM-port commands; the server answers each with the code plus 100.
constexpr std::uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kSetControl = 5,
                       kPurgeData = 12;
constexpr std::uint8_t kParityNone = 1, kStopOne = 1, kControlNone = 1, kPurgeBoth = 3;

std::string OptionName(std::uint8_t option)
{
    switch (option) {
    case kBinary:
        return "BINARY";
    case kSuppressGoAhead:
        return "SUPPRESS-GO-AHEAD";
    case kComPort:
        return "COM-PORT-OPTION";
    default:
        return "option " + std::to_string(option);
    }
}

const char* VerbName(std::uint8_t verb)
{
    switch (verb) {
    case kWill:
        return "WILL";
    case kWont:
        return "WONT";
    case kDo:
        return "DO";
    default:
        return "DONT";
    }
}

const char* CommandName(std::uint8_t command)
{
    switch (command) {
    case kSetBaud:
        return "SET-BAUDRATE";
    case kSetDataSize:
        return "SET-DATASIZE";
    case kSetParity:
        return "SET-PARITY";
    case kSetStopSize:
        return "SET-STOPSIZE";
    case kSetControl:
        return "SET-CONTROL";
    case kPurgeData:
        return "PURGE-DATA";
    case 6:
        return "NOTIFY-LINESTATE";
    case 7:
        return "NOTIFY-MODEMSTATE";
    default:
        return nullptr;
    }
}

bool Wanted(std::uint8_t option) { return option == kBinary || option == kSuppressGoAhead || option == kComPort; }

std::vector<std::uint8_t> ComPortCommand(std::uint8_t command, std::vector<std::uint8_t> value)
{
    std::vector<std::uint8_t> bytes{kIac, kSb, kComPort, command};
    for (const std::uint8_t b : value) {
        bytes.push_back(b);
        if (b == kIac)
            bytes.push_back(kIac);
    }
    bytes.push_back(kIac);
    bytes.push_back(kSe);
    return bytes;
}

} // namespace

Rfc2217Channel::Rfc2217Channel(std::unique_ptr<Socket> socket) : socket_(std::move(socket)) {}

Rfc2217Channel::~Rfc2217Channel()
{
    for (const auto& [command, value] : pending_)
        DebugLogF("Network: the server never answered %s %u\n", CommandName(command), value);
}

void Rfc2217Channel::Send(std::vector<std::uint8_t> bytes, const std::string& what)
{
    DebugLogF("Network: sent %s\n", what.c_str());
    out_.insert(out_.end(), bytes.begin(), bytes.end());
}

bool Rfc2217Channel::Negotiate(unsigned baud, Clock& clock, Clock::Ms optionWait, unsigned& error)
{
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        offered_[option] = asked_[option] = true;
        Send({kIac, kWill, option}, "WILL " + OptionName(option));
        Send({kIac, kDo, option}, "DO " + OptionName(option));
    }
    offered_[kComPort] = true;
    Send({kIac, kWill, kComPort}, "WILL COM-PORT-OPTION");
    if (!Flush(error))
        return false;

    // The settings mean something only once the server takes the option; a server that
    // never answers gets them all the same after the wait.
    const Clock::TimePoint end = clock.now() + optionWait;
    while (comPort_ == Answer::None && clock.now() < end) {
        const auto left = std::chrono::duration_cast<Clock::Ms>(end - clock.now());
        const Wait w = socket_->WaitReadable(std::max(Clock::Ms(1), left), error);
        if (w == Wait::Error)
            return false;
        if (w == Wait::TimedOut)
            continue;
        if (Pump(error) < 0)
            return false;
    }
    if (comPort_ == Answer::None)
        DebugLogF("Network: no answer to WILL COM-PORT-OPTION within %lld ms; the settings go all the same\n",
                  static_cast<long long>(optionWait.count()));
    if (comPort_ == Answer::Refused) {
        DebugLogF("Network: the server refused COM-PORT-OPTION; the line keeps the server's settings\n");
    } else {
        Send(ComPortCommand(kSetBaud, {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                       static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)}),
             "SET-BAUDRATE " + std::to_string(baud));
        Send(ComPortCommand(kSetDataSize, {8}), "SET-DATASIZE 8");
        Send(ComPortCommand(kSetParity, {kParityNone}), "SET-PARITY NONE");
        Send(ComPortCommand(kSetStopSize, {kStopOne}), "SET-STOPSIZE 1");
        Send(ComPortCommand(kSetControl, {kControlNone}), "SET-CONTROL no flow control");
        Send(ComPortCommand(kPurgeData, {kPurgeBoth}), "PURGE-DATA both directions");
        pending_ = {{kSetBaud, baud},        {kSetDataSize, 8},           {kSetParity, kParityNone},
                    {kSetStopSize, kStopOne}, {kSetControl, kControlNone}, {kPurgeData, kPurgeBoth}};
    }
    return Flush(error);
}

bool Rfc2217Channel::Flush(unsigned& error)
{
    while (!out_.empty()) {
        const long n = socket_->WriteSome(out_.data(), out_.size(), error);
        if (n == 0)
            return true;  // the rest goes with the next write
        if (n < 0) {
            if (n == kHangUp)
                error = kHangUpError;
            return false;
        }
        out_.erase(out_.begin(), out_.begin() + n);
    }
    return true;
}

long Rfc2217Channel::Pump(unsigned& error)
{
    std::uint8_t raw[512];
    const long n = socket_->ReadSome(raw, sizeof raw, error);
    for (long i = 0; i < n; ++i)
        Decode(raw[i]);
    if (n > 0) {
        unsigned flushError = 0;
        Flush(flushError);  // answers to the server's requests; a failure shows on the next write
    }
    return n;
}

void Rfc2217Channel::Decode(std::uint8_t byte)
{
    switch (state_) {
    case In::Data:
        if (byte == kIac)
            state_ = In::Iac;
        else
            data_.push_back(byte);
        return;
    case In::Iac:
        if (byte == kIac) {
            data_.push_back(byte);
            state_ = In::Data;
        } else if (byte >= kWill) {
            verb_ = byte;
            state_ = In::Verb;
        } else if (byte == kSb) {
            sub_.clear();
            state_ = In::Sub;
        } else {
            state_ = In::Data;  // NOP, GA and the other one-byte commands carry nothing for us
        }
        return;
    case In::Verb:
        OnVerb(verb_, byte);
        state_ = In::Data;
        return;
    case In::Sub:
        if (byte == kIac)
            state_ = In::SubIac;
        else if (sub_.size() < 64)
            sub_.push_back(byte);
        return;
    case In::SubIac:
        if (byte == kSe) {
            OnSubnegotiation();
            state_ = In::Data;
        } else {
            if (sub_.size() < 64)
                sub_.push_back(byte);
            state_ = In::Sub;
        }
        return;
    }
}

void Rfc2217Channel::OnVerb(std::uint8_t verb, std::uint8_t option)
{
    DebugLogF("Network: server %s %s\n", VerbName(verb), OptionName(option).c_str());
    switch (verb) {
    case kDo:
        if (option == kComPort && comPort_ == Answer::None)
            comPort_ = Answer::Agreed;
        if (!Wanted(option)) {
            Send({kIac, kWont, option}, "WONT " + OptionName(option));
        } else if (!offered_[option]) {
            offered_[option] = true;
            Send({kIac, kWill, option}, "WILL " + OptionName(option));
        }
        return;
    case kDont:
        if (option == kComPort)
            comPort_ = Answer::Refused;
        if (offered_[option]) {
            offered_[option] = false;
            DebugLogF("Network: the server refused %s; the link goes on without it\n", OptionName(option).c_str());
        }
        return;
    case kWill:
        // A server that echoes or talks its own telnet would mix its bytes with the switch's.
        if (option == kComPort && comPort_ == Answer::None)
            comPort_ = Answer::Agreed;
        if (option != kBinary && option != kSuppressGoAhead) {
            if (option != kComPort)
                Send({kIac, kDont, option}, "DONT " + OptionName(option));
        } else if (!asked_[option]) {
            asked_[option] = true;
            Send({kIac, kDo, option}, "DO " + OptionName(option));
        }
        return;
    default:  // WONT
        if (asked_[option]) {
            asked_[option] = false;
            DebugLogF("Network: the server refused %s; the link goes on without it\n", OptionName(option).c_str());
        }
        return;
    }
}

void Rfc2217Channel::OnSubnegotiation()
{
    if (sub_.size() < 2 || sub_[0] != kComPort) {
        DebugLogF("Network: server subnegotiation ignored (%u bytes)\n", static_cast<unsigned>(sub_.size()));
        return;
    }
    const std::uint8_t code = sub_[1];
    const char* name = code >= 100 ? CommandName(static_cast<std::uint8_t>(code - 100)) : nullptr;
    if (!name) {
        DebugLogF("Network: server COM-PORT-OPTION command %u ignored\n", code);
        return;
    }
    unsigned value = 0;
    for (std::size_t i = 2; i < sub_.size(); ++i)
        value = (value << 8) | sub_[i];
    DebugLogF("Network: server %s %u\n", name, value);
    const std::uint8_t command = static_cast<std::uint8_t>(code - 100);
    const auto asked = std::find_if(pending_.begin(), pending_.end(), [&](const auto& p) { return p.first == command; });
    if (asked == pending_.end())
        return;
    // A server that keeps its own setting says so in its answer; the link goes on.
    if (asked->second != value)
        DebugLogF("Network: the server did not apply %s %u (it holds %u)\n", name, asked->second, value);
    pending_.erase(asked);
}

Socket::Wait Rfc2217Channel::WaitReadable(Clock::Ms timeout, unsigned& error)
{
    if (!data_.empty())
        return Wait::Ready;
    return socket_->WaitReadable(timeout, error);
}

Socket::Wait Rfc2217Channel::WaitWritable(Clock::Ms timeout, unsigned& error)
{
    return socket_->WaitWritable(timeout, error);
}

long Rfc2217Channel::ReadSome(std::uint8_t* buffer, std::size_t size, unsigned& error)
{
    if (data_.empty()) {
        const long n = Pump(error);
        if (n < 0)
            return n;
    }
    // Only telnet commands came: nothing for the caller yet, who waits again.
    const std::size_t count = std::min(size, data_.size());
    std::copy_n(data_.begin(), count, buffer);
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(count));
    return static_cast<long>(count);
}

long Rfc2217Channel::WriteSome(const std::uint8_t* data, std::size_t size, unsigned& error)
{
    // The frame is escaped into the queue once; its bytes count as written when the
    // whole queue is out, so a 0xFF is never split from its double.
    if (!frameQueued_) {
        for (std::size_t i = 0; i < size; ++i) {
            out_.push_back(data[i]);
            if (data[i] == kIac)
                out_.push_back(kIac);
        }
        frameQueued_ = true;
    }
    if (!Flush(error))
        return error == kHangUpError ? kHangUp : -1;
    if (!out_.empty())
        return 0;
    frameQueued_ = false;
    return static_cast<long>(size);
}

bool Rfc2217Channel::DiscardReceived(unsigned& error)
{
    for (;;) {
        data_.clear();
        const long n = Pump(error);
        if (n == 0) {
            data_.clear();
            return true;
        }
        if (n < 0) {
            if (n == kHangUp)
                error = kHangUpError;
            return false;
        }
    }
}

void Rfc2217Channel::DropUnsent()
{
    out_.clear();
    frameQueued_ = false;
}

} // namespace kovrin
