#pragma once
// Which serial device stands behind each of COM1..COM8. On Linux the devices present get
// numbers as Windows gives them: each keeps its number across runs and a new one takes the
// lowest free number; the numbers live in a small text file the user may edit. On Windows
// COMn is simply "COMn". KOVRIN_COM1..KOVRIN_COM8 override everything on both.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovrin {

inline constexpr int kComPortCount = 8;

struct ComPort {
    int number = 0;              // 1..8
    std::string device;          // what opening COMn opens; empty: nothing is assigned
    std::string description;     // "FT232R USB UART", "on-board serial port"; may be empty
    std::string remembered;      // the name it is remembered by (USB serial, USB socket or sysfs path)
    bool present = false;        // the device is there now
    bool mayOpen = false;        // this user may read and write it
    bool fromVariable = false;   // KOVRIN_COMn names the device
    bool probed = true;          // false where the system tells nothing beyond the name
    // For the user, where the number is shown: it was taken from an absent device, or the
    // numbers cannot be kept (the memory file unreadable or not written).
    std::vector<std::string> warnings;
};

struct PortScan {
    std::array<ComPort, kComPortCount> ports{};
    // Lines for the diagnostic log: a memory file that could not be read in full or
    // written, a device that found no free number.
    std::vector<std::string> notes;
    // For the user (all the ports' warnings, each once): `kovrin-cli ports` prints them.
    std::vector<std::string> warnings;
};

class PortFinder {
public:
    virtual ~PortFinder() = default;
    // Reads the system afresh; gives new devices their numbers and remembers them.
    virtual PortScan Scan() = 0;
};

// The finder over the system tree below `root` ("/" on a real system; tests use a scratch
// folder holding sys/class/tty, dev and dev/serial/by-id) with the numbers kept in
// `memoryFile`.
std::unique_ptr<PortFinder> MakePortFinder(const std::string& root, const std::string& memoryFile);
// The running system's finder: root "/", the numbers in PortMemoryFile().
std::unique_ptr<PortFinder> MakeSystemPortFinder();
// $XDG_CONFIG_HOME/kovrin/com-ports, else ~/.config/kovrin/com-ports; empty when there is
// no home folder (the numbers then last one run).
std::string PortMemoryFile();

// 1..8 for "COM1".."COM8", nullopt for any other name.
std::optional<int> ComPortNumber(const std::string& portName);
// The device KOVRIN_COMn names, when set and not empty.
std::optional<std::string> ComPortOverride(int number);

} // namespace kovrin
