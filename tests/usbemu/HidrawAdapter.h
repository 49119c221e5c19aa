#pragma once
// USB adapters emulated as the kernel's hidraw nodes (umockdev), for programs that find
// HID devices through udev and talk to /dev/hidrawN: Wine's HID bus, so that ubrix.dll
// meets an adapter under Wine. The adapter's behaviour is the usbfs emulation's.
//
// The node is a pty whose other side this emulation holds. A program polls the node
// before it reads, so each input report is announced by one wake byte on the pty, and the
// read handler takes that byte back as it hands the report out. Handlers never block: the
// preload library serialises the calls on one descriptor.
#include "AdapterSide.h"
#include "EmulatedAdapter.h"

#include <atomic>
#include <sys/types.h>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace kovrin::usbemu {

class HidrawDevice;

class HidrawTestbed {
public:
    HidrawTestbed();
    ~HidrawTestbed();
    HidrawTestbed(const HidrawTestbed&) = delete;
    HidrawTestbed& operator=(const HidrawTestbed&) = delete;

    // The testbed's folder, which programs started from now on inherit as UMOCKDEV_DIR.
    std::string Root() const;
    HidrawDevice& Plug(DeviceKind kind, const std::string& tty = "", Behaviour behaviour = {});
    // Gone from sysfs with a remove event; every call on an open node fails with ENODEV.
    // Once only: a second call does nothing.
    void Unplug(HidrawDevice& device);

private:
    UMockdevTestbed* testbed_;
    std::vector<std::unique_ptr<HidrawDevice>> devices_;
    int next_ = 0;
};

class HidrawDevice {
public:
    ~HidrawDevice();
    Observed Seen() const;
    void SetSilent(bool silent);

    // Internal: the handlers.
    bool HandleIoctl(void* client);
    bool HandleRead(void* client);
    bool HandleWrite(void* client);

private:
    friend class HidrawTestbed;
    HidrawDevice(DeviceKind kind, int index, const std::string& tty, Behaviour behaviour);
    void Attach(UMockdevTestbed* testbed);
    void Pump();
    void HoldTerminal(const std::string& slave);
    void ReleaseTerminal();

    AdapterSide side_;
    int index_;
    std::string node_;
    std::string sysPath_;
    int master_ = -1;  // the testbed's side of the node's pty: wake bytes go in here
    int slave_ = -1;   // the node's side, opened here to take a wake byte back
    void* handler_ = nullptr;
    pid_t holder_ = -1;      // the child holding the pty as its controlling terminal
    int holderSocket_ = -1;  // closed: the child ends

    mutable std::mutex mutex_;
    Behaviour behaviour_;
    bool gone_ = false;
    std::deque<Bytes> ready_;
    Observed seen_;
    std::atomic<bool> stop_{false};
    std::thread pump_;
};

} // namespace kovrin::usbemu
