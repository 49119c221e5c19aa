#pragma once
// What the simulated switch knows: its identification, its nominal data and its record
// words. Words 0..15 are the parameters the configurator reads and writes.
#include "comm/Frame.h"
#include "config/ConfigRecord.h"

#include <cstdint>

namespace kovrin::sim {

struct SwitchState {
    Identification identification;
    NominalData nominal;  // the switch's raw values: frequency in tenths of a hertz
    std::uint16_t words[256] = {};
};

// A single-phase automatic switch, 32 A, 230 V, 50.0 Hz, with the factory parameters.
SwitchState DefaultSwitchState();

// Identification and words 0..255 from a record (as read from a .kvnf file); the nominal
// data stay as they are, since the file does not carry them.
void LoadFromRecord(SwitchState& state, const ConfigRecord& record);

// The record a .kvnf file of this switch holds: identification and words 0..255, the
// record sum over words 0..15 as a download computes it, nominal data in hertz.
ConfigRecord ToRecord(const SwitchState& state);

} // namespace kovrin::sim
