#pragma once
// The operating system's HID services as the bridge needs them. The core logic talks
// only to this interface, so discovery, set-up and transfer run against a scripted fake
// in tests, against hidapi on Linux and against a tty-backed simulation in demos.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

namespace ubrix {

using HidHandle = std::uint64_t;
inline constexpr HidHandle kNoHandle = 0;

// System error code that ends an interface enumeration normally.
inline constexpr std::uint32_t kNoMoreItems = 259;

struct HidAttributes {
    std::uint32_t size = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
};

// StartFailed: the read could not even start (the device is gone or unusable); Failed:
// it started and then failed.
enum class ReadResult { Ok, TimedOut, Failed, Cancelled, StartFailed };

struct WriteResult {
    enum Kind { Written, WaitTimedOut, WaitFailed, ResultFailed, StartFailed } kind = Written;
    std::size_t written = 0;
    std::uint32_t error = 0;  // the system's error code when the write could not start
};

// Snapshot of the HID interfaces present when it was taken.
class HidDeviceSet {
public:
    virtual ~HidDeviceSet() = default;
    // 0 when the interface with that index exists, else the system error code
    // (kNoMoreItems past the last one).
    virtual std::uint32_t enumerate(int index) = 0;
    // The interface's device path; false when it cannot be had.
    virtual bool detail(int index, std::string& path) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // nullptr when the set of present devices cannot be obtained.
    virtual std::unique_ptr<HidDeviceSet> presentDevices() = 0;

    // overlapped: the handle used for reports; otherwise the one for attribute checks.
    virtual HidHandle open(const std::string& path, bool overlapped) = 0;
    virtual void close(HidHandle handle) = 0;

    // Gets and frees the parsed report descriptor: only tells whether there is one.
    virtual bool hasParsedDescriptor(HidHandle handle) = 0;
    virtual bool getAttributes(HidHandle handle, HidAttributes& out) = 0;
    virtual bool getFeature(HidHandle handle, std::span<std::uint8_t> report) = 0;
    virtual bool setFeature(HidHandle handle, std::span<const std::uint8_t> report) = 0;
    virtual bool getNumInputBuffers(HidHandle handle, unsigned long& count) = 0;
    virtual bool setNumInputBuffers(HidHandle handle, unsigned long count) = 0;

    // One input report into `report`. Returns Cancelled as soon as `stop` is requested.
    // Nothing of the read is pending any more when this returns.
    virtual ReadResult readReport(HidHandle handle, std::span<std::uint8_t> report,
                                  std::chrono::milliseconds timeout, std::stop_token stop) = 0;
    // One output report. A write that did not finish in time is cancelled and completed
    // before this returns, so `report` is never used afterwards.
    virtual WriteResult writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                                    std::chrono::milliseconds timeout) = 0;
};

// Closes a handle when it goes out of scope.
class OwnedHidHandle {
public:
    OwnedHidHandle() = default;
    OwnedHidHandle(HidBackend& backend, HidHandle handle) : backend_(&backend), handle_(handle) {}
    OwnedHidHandle(OwnedHidHandle&& other) noexcept { *this = std::move(other); }
    OwnedHidHandle& operator=(OwnedHidHandle&& other) noexcept {
        if (this != &other) {
            reset();
            backend_ = other.backend_;
            handle_ = other.handle_;
            other.handle_ = kNoHandle;
        }
        return *this;
    }
    OwnedHidHandle(const OwnedHidHandle&) = delete;
    OwnedHidHandle& operator=(const OwnedHidHandle&) = delete;
    ~OwnedHidHandle() { reset(); }

    HidHandle get() const { return handle_; }
    bool valid() const { return handle_ != kNoHandle; }
    void reset() {
        if (handle_ != kNoHandle && backend_) backend_->close(handle_);
        handle_ = kNoHandle;
    }

private:
    HidBackend* backend_ = nullptr;
    HidHandle handle_ = kNoHandle;
};

} // namespace ubrix
