#pragma once
// A serial device opened for the link: raw, 8N1, no flow control, and every wait bounded
// (a read or a write never blocks longer than its total time-out).
#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kovrin {

// ResultFailed: the transfer was under way, but its completion reported an error (only
// overlapped I/O tells the two apart; POSIX reports Failed).
enum class SerialStatus { Done, Failed, TimedOut, ResultFailed };

struct SerialTimeouts {
    Clock::Ms readTotal{3000};     // no completed read within this: TimedOut
    Clock::Ms readInterval{1000};  // a read with some bytes ends this long after the last one
    Clock::Ms writeTotal{3000};
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Discards everything pending in both directions.
    virtual bool Purge(unsigned& error) = 0;
    // Sends the bytes. Done with `written` == count, or fewer when the device took fewer;
    // TimedOut when they could not all go within the write time-out.
    virtual SerialStatus Write(const std::uint8_t* data, std::size_t count, std::size_t& written,
                               unsigned& error) = 0;
    // Reads up to `expected` bytes. Done as soon as they are in, or one read interval after
    // the last byte once one has arrived; TimedOut when neither happens within the read
    // total; Failed on a device error, or a hang-up before any byte arrived (a hang-up
    // after some bytes ends the read with them).
    virtual SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received,
                              unsigned& error) = 0;
    // Drops output that a failed write left behind.
    virtual void CancelWrite() = 0;
};

// Speed selector: 0 gives 1200 baud, 1 gives 9600, any other value 19200.
unsigned BaudForSpeed(int speedSelector);

// "COM1".."COM8" name the system's serial devices (on Linux /dev/ttyS0..7, or the device
// in environment variable KOVRIN_COM1..KOVRIN_COM8); any other name is taken as a path.
std::string SerialDevicePath(const std::string& portName);

// Opens the device exclusively and configures it (raw, `baud`, 8N1, no flow control),
// purges both directions, then raises RTS and DTR (failures of those two are ignored:
// a pseudo-terminal has no modem lines). nullptr on failure, with the system error code.
std::unique_ptr<SerialPort> OpenSerialPort(const std::string& device, unsigned baud, unsigned& error,
                                           Clock& clock = systemClock(),
                                           const SerialTimeouts& timeouts = {});

} // namespace kovrin
