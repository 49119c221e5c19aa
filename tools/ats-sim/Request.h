#pragma once
// The switch's view of the requests it receives: cutting frames out of the byte
// stream and telling the four commands apart.
#include "comm/Frame.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovrin::sim {

enum class Command { GI, GN, GM, SM };

struct CommandInfo {
    Command command;
    std::string_view letters;  // "GI", ...
    AnswerSizes answer;        // full answer on the wire, and the short one
};

inline constexpr CommandInfo kCommands[] = {
    {Command::GI, "GI", kAnswerGI},
    {Command::GN, "GN", kAnswerGN},
    {Command::GM, "GM", kAnswerGM},
    {Command::SM, "SM", kAnswerSM},
};

const CommandInfo& InfoOf(Command c);
std::optional<Command> CommandFromLetters(std::string_view letters);

struct Request {
    Command command;
    int word = -1;            // GM, SM
    std::uint16_t value = 0;  // SM
    std::size_t size = 0;     // bytes on the wire
};

// Decodes one complete frame (STX .. ETX). On failure `why` says what was wrong;
// a real switch stays silent on such frames, and so does the simulator.
std::optional<Request> DecodeRequest(const Frame& frame, std::string& why);

// Collects bytes until a frame's end byte; bytes before a start byte are noise.
class RequestAssembler {
public:
    // Longer than any request: a frame that grows past this is dropped.
    static constexpr std::size_t kMaxFrame = 64;

    // Feeds one byte; returns true when `frame()` holds a complete frame.
    bool feed(std::uint8_t byte);
    const std::vector<std::uint8_t>& frame() const { return frame_; }
    bool inFrame() const { return inFrame_; }
    std::size_t droppedBytes() const { return dropped_; }

private:
    std::vector<std::uint8_t> frame_;
    bool inFrame_ = false;
    bool complete_ = false;
    std::size_t dropped_ = 0;
};

} // namespace kovrin::sim
