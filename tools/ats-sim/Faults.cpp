#include "tools/ats-sim/Faults.h"

#include <algorithm>
#include <cctype>

namespace kovrin::sim {

bool ParseCommandSet(std::string_view text, CommandSet& out)
{
    CommandSet set;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        std::string item(text.substr(start, comma - start));
        std::transform(item.begin(), item.end(), item.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (item == "ALL") {
            set.addAll();
        } else if (const auto c = CommandFromLetters(item)) {
            set.add(*c);
        } else {
            return false;
        }
        start = comma + 1;
    }
    out = set;
    return true;
}

Decision Decide(const FaultPlan& plan, int number, const Request& request)
{
    Decision d;
    const bool isWrite = request.command == Command::SM;
    if (plan.hangUpAfter && number > *plan.hangUpAfter) {
        d.reaction = Reaction::HangUp;
        d.why = "hang up after " + std::to_string(*plan.hangUpAfter) + " requests";
        return d;
    }
    if (plan.mute) {
        d.reaction = Reaction::Silence;
        d.why = "mute";
    } else if (plan.muteAfter && number > *plan.muteAfter) {
        d.reaction = Reaction::Silence;
        d.why = "mute after " + std::to_string(*plan.muteAfter) + " requests";
    } else if (isWrite && plan.ignoreWrite && request.word == *plan.ignoreWrite) {
        d.reaction = Reaction::Silence;
        d.why = "ignores the write of word " + std::to_string(request.word);
    }
    if (d.reaction == Reaction::Silence) {
        d.storeWrite = false;
        return d;
    }
    if (isWrite && plan.dropWrite && request.word == *plan.dropWrite) {
        d.storeWrite = false;
        d.why = "drops the write of word " + std::to_string(request.word);
    }
    d.shortAnswer = plan.shortAnswer.has(request.command);
    d.badCheck = plan.badCheck.has(request.command);
    d.half = plan.halfAnswer.has(request.command);
    d.junkBytes = std::max(0, plan.junkBytes);
    const auto note = [&d](const char* what) {
        d.why += (d.why.empty() ? "" : ", ") + std::string(what);
    };
    if (d.shortAnswer)
        note("short answer");
    if (d.badCheck)
        note("wrong check value");
    if (d.half)
        note("half answer");
    if (d.junkBytes > 0)
        note("junk before the answer");
    return d;
}

Frame ShapeAnswer(const Decision& d, Command command, Frame answer)
{
    if (d.shortAnswer)
        answer = BuildShortAnswer(std::string(InfoOf(command).letters));
    if (d.badCheck && answer.size() >= kFrameOverhead) {
        const std::size_t at = answer.size() - 5;
        const unsigned wrong = static_cast<std::uint16_t>(CarriedCheck(answer.data(), answer.size()) + 1);
        for (int i = 0; i < 4; ++i)
            answer[at + static_cast<std::size_t>(i)] = NibbleOf(wrong >> (12 - 4 * i));
    }
    if (d.half)
        answer.resize(answer.size() / 2);
    if (d.junkBytes > 0) {
        Frame junk = JunkBytes(d.junkBytes);
        answer.insert(answer.begin(), junk.begin(), junk.end());
    }
    return answer;
}

Frame JunkBytes(int count)
{
    // Line noise as a cheap receiver sees it: mostly framing-error bytes.
    static constexpr std::uint8_t kNoise[] = {0xFF, 0x7F, 0x00, 0xFE, 0x80};
    Frame junk;
    for (int i = 0; i < count; ++i)
        junk.push_back(kNoise[static_cast<std::size_t>(i) % sizeof kNoise]);
    return junk;
}

} // namespace kovrin::sim
