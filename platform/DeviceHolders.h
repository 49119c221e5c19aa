#pragma once
// Who else uses a serial device on a POSIX system: processes that hold it open, and the
// lock files terminal programs leave in /var/lock ("LCK..ttyUSB0", the holder's process
// number in ASCII). Used by the serial port before it opens and by the reason shown when
// it cannot.
#include <optional>
#include <string>
#include <vector>

namespace kovrin {

// Processes other than this one with the device open (only those this user may see), as
// process numbers. A process that also holds the master side of the same pseudo-terminal
// is its other end (a simulator standing in for the switch), not another user of it.
// The search ends after a second at most.
std::vector<std::string> DeviceOpeners(const std::string& device);

// The live process (not this one) named by the device's lock file; a lock file whose
// process is gone is removed, as any program that honours them does.
std::optional<std::string> LockFileHolder(const std::string& device);

// This program's lock file for a device while it is open. Where the lock folder cannot
// be written nothing is created and nothing fails. Removed when dropped, if still ours.
class DeviceLockFile {
public:
    explicit DeviceLockFile(const std::string& device);
    ~DeviceLockFile();
    DeviceLockFile(const DeviceLockFile&) = delete;
    DeviceLockFile& operator=(const DeviceLockFile&) = delete;
    // False when another process made the lock file first (it holds the device).
    bool refused() const { return refused_; }

private:
    std::string path_;  // empty: none made
    bool refused_ = false;
};

// The lock file's name for a device: /var/lock, then "LCK.." and the device's name
// under /dev with '/' as '_' (links resolved, so every name of a device has one lock).
std::string LockFilePath(const std::string& device);

} // namespace kovrin
