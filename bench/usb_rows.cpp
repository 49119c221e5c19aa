// Benchmark rows over the USB adapter: the USB link client's owner adds its rows here
// (for instance the simulated-adapter library bridged to the simulator's pty).
#include "BenchRow.h"

namespace kovrin::bench {

std::vector<BenchRow> UsbRows()
{
    return {};
}

} // namespace kovrin::bench
