#pragma once
// Fault modes of the simulated switch. Each can be combined with the others; together
// they decide, request by request, what (if anything) goes back on the line.
#include "tools/ats-sim/Request.h"

#include <optional>
#include <string>

namespace kovrin::sim {

// A set of commands, one bit per command.
class CommandSet {
public:
    void add(Command c) { bits_ |= bit(c); }
    void addAll() { bits_ = 0xF; }
    bool has(Command c) const { return (bits_ & bit(c)) != 0; }
    bool empty() const { return bits_ == 0; }

private:
    static unsigned bit(Command c) { return 1u << static_cast<unsigned>(c); }
    unsigned bits_ = 0;
};

// "GI", "GN", "GM", "SM" or "all" (case-insensitive), comma-separated.
bool ParseCommandSet(std::string_view text, CommandSet& out);

struct FaultPlan {
    bool mute = false;                     // never answers
    std::optional<int> muteAfter;          // answers the first N requests only
    std::optional<int> hangUpAfter;        // hangs up when request N+1 arrives
    CommandSet badCheck;                   // answers with a wrong check value
    CommandSet shortAnswer;                // a valid 12-byte answer instead of the full one
    CommandSet halfAnswer;                 // only the first half of the answer
    int junkBytes = 0;                     // noise sent before every answer
    std::optional<int> ignoreWrite;        // no answer to "SM" of this word (nothing stored)
    std::optional<int> dropWrite;          // acknowledges "SM" of this word, stores nothing
};

enum class Reaction { Answer, Silence, HangUp };

struct Decision {
    Reaction reaction = Reaction::Answer;
    bool storeWrite = true;   // for "SM": whether the value reaches the words
    bool shortAnswer = false;
    bool badCheck = false;
    bool half = false;
    int junkBytes = 0;
    std::string why;          // for the log: which fault shaped the answer
};

// `number` counts requests from 1, over the whole run.
Decision Decide(const FaultPlan& plan, int number, const Request& request);

// Applies the shape of a decision to a correct answer: short form, damaged check, cut
// in half, noise in front.
Frame ShapeAnswer(const Decision& d, Command command, Frame answer);

// The noise sent before an answer: never a start byte, so a reader looking for the
// frame's start could still find it.
Frame JunkBytes(int count);

} // namespace kovrin::sim
