#pragma once
// The switch's side of one exchange: takes a request, consults the fault plan, updates
// the words and says what goes back on the line.
#include "tools/ats-sim/Faults.h"
#include "tools/ats-sim/SwitchState.h"

#include <string>

namespace kovrin::sim {

struct Reply {
    Reaction reaction = Reaction::Silence;
    Frame bytes;        // what goes on the line (empty for silence)
    std::string note;   // one log line: the request and the reply
};

class SimSwitch {
public:
    SimSwitch(SwitchState state, FaultPlan plan) : state_(std::move(state)), plan_(std::move(plan)) {}

    // One complete frame from the line.
    Reply handle(const Frame& frame);

    const SwitchState& state() const { return state_; }
    int requests() const { return requests_; }

private:
    Frame correctAnswer(const Request& r) const;

    SwitchState state_;
    FaultPlan plan_;
    int requests_ = 0;
};

} // namespace kovrin::sim
