#pragma once
// The simulator's main loop: reads requests from the line, lets the switch answer and
// sends the answers at line speed, until stopped or hung up.
#include "tools/ats-sim/Line.h"
#include "tools/ats-sim/Pacer.h"
#include "tools/ats-sim/SimLog.h"
#include "tools/ats-sim/SimSwitch.h"

namespace kovrin::sim {

enum class ServeEnd { Stopped, HungUp, LineError };

ServeEnd Serve(Line& line, SimSwitch& sw, const Pacer& pacer, SimLog& log, int stopFd);

} // namespace kovrin::sim
