#include "tools/ats-sim/Request.h"

namespace kovrin::sim {

const CommandInfo& InfoOf(Command c)
{
    for (const CommandInfo& info : kCommands)
        if (info.command == c)
            return info;
    return kCommands[0];
}

std::optional<Command> CommandFromLetters(std::string_view letters)
{
    for (const CommandInfo& info : kCommands)
        if (info.letters == letters)
            return info.command;
    return std::nullopt;
}

std::optional<Request> DecodeRequest(const Frame& frame, std::string& why)
{
    const ParsedRequest parsed = kovrin::ParseRequest(frame.data(), frame.size());
    if (!parsed.ok) {
        if (frame.size() < kFrameOverhead)
            why = "frame of " + std::to_string(frame.size()) + " bytes is too short";
        else if (VerifyFrame(frame.data(), frame.size(), kChecksumMode) != 0)
            why = "wrong check value";
        else
            why = "not a request this switch knows";
        return std::nullopt;
    }
    const std::optional<Command> command = CommandFromLetters(parsed.command);
    if (!command) {
        why = "unknown command " + parsed.command;
        return std::nullopt;
    }
    Request r;
    r.command = *command;
    r.word = parsed.index;
    r.value = parsed.value;
    r.size = frame.size();
    return r;
}

bool RequestAssembler::feed(std::uint8_t byte)
{
    if (complete_) {
        frame_.clear();
        complete_ = false;
    }
    if (byte == kStx) {
        // A start byte inside a frame means the earlier one was cut off: start again.
        dropped_ += frame_.size();
        frame_.assign(1, byte);
        inFrame_ = true;
        return false;
    }
    if (!inFrame_) {
        ++dropped_;
        return false;
    }
    frame_.push_back(byte);
    if (byte == kEtx) {
        inFrame_ = false;
        complete_ = true;
        return true;
    }
    if (frame_.size() >= kMaxFrame) {
        dropped_ += frame_.size();
        frame_.clear();
        inFrame_ = false;
    }
    return false;
}

} // namespace kovrin::sim
