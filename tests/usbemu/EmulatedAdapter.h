#pragma once
// USB adapters emulated at the kernel's usbfs interface (umockdev), so the production
// bridge library talks to them through hidapi and libusb exactly as to hardware. Each
// adapter plays its side of the reports; its serial side is a tty (an ats-sim pty).
// Needs the process to run under umockdev's preload library (umockdev-wrapper).
#include "AdapterSide.h"

#include <memory>
#include <mutex>
#include <ostream>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace kovrin::usbemu {

// Test listings name the kind.
inline void PrintTo(DeviceKind kind, std::ostream* out)
{
    *out << (kind == DeviceKind::Plain ? "plain" : kind == DeviceKind::SerialBridge ? "serial bridge" : "keyboard");
}

struct Behaviour {
    bool claimBusy = false;      // CLAIMINTERFACE answers EBUSY (another program holds it)
    bool silent = false;         // no input report ever comes
    bool takeNoOutput = false;   // output reports are never taken (the write times out)
};

// What the host did with one device, in order.
struct Observed {
    std::vector<std::string> controls;  // "GET_REPORT feature" / "SET_REPORT feature b0 04 .."
    std::vector<Bytes> outputs;         // interrupt OUT payloads as they came
    std::vector<Clock::time_point> outputTimes;
    std::vector<Bytes> inputs;          // interrupt IN payloads handed out
    int claims = 0;
    int claimRefusals = 0;
    long emptyReaps = 0;  // reaps that found nothing: libusb's loop over a node that is always ready
    int descriptorReads = 0;  // hidraw: the report descriptor asked for (a HID bus building its device)
};

class Device;

class Testbed {
public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // True when the process runs under umockdev's preload library. Asked only once a
    // testbed exists: umockdev remembers its first answer.
    static bool Active();

    // Adds a device on a bus of its own; `tty` is its serial side (adapters only).
    Device& Plug(DeviceKind kind, const std::string& tty = "", Behaviour behaviour = {});
    // Unplugged: gone from sysfs, and every request on an open handle fails as the
    // kernel fails it after a disconnect.
    void Unplug(Device& device);

private:
    UMockdevTestbed* testbed_;
    std::vector<std::unique_ptr<Device>> devices_;
    int nextBus_ = 1;
};

class Device {
public:
    ~Device();
    Observed Seen() const;
    // Stops or resumes input reports.
    void SetSilent(bool silent);

    // Internal: the ioctl handler and the testbed use these.
    struct Urb;
    bool HandleIoctl(void* client);

private:
    friend class Testbed;
    Device(DeviceKind kind, int bus, const std::string& tty, Behaviour behaviour);

    void Submit(void* client, void* arg);
    void Reap(void* client, void* arg);
    void Discard(void* client, void* arg);
    bool Control(Urb& urb);
    bool FillInput(Urb& urb);

    AdapterSide side_;
    DeviceKind kind_;
    std::string sysPath_;
    std::string devNode_;
    Behaviour behaviour_;
    void* handler_ = nullptr;

    mutable std::mutex mutex_;
    bool gone_ = false;
    bool driverBound_ = true;
    std::vector<std::unique_ptr<Urb>> flying_;
    std::vector<std::unique_ptr<Urb>> done_;
    Observed seen_;
};

} // namespace kovrin::usbemu
