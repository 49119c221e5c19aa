#pragma once
// HID through hidapi's libusb back end: it reaches the serial-bridge adapter, which the
// kernel keeps off hidraw. A known adapter's interface is claimed when it is opened; any
// other HID device is only listed, so the machine's keyboards and mice stay with the
// kernel.
#include "HidBackend.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace ubrix {

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend() = default;
    ~HidapiBackend() override;

    std::unique_ptr<HidDeviceSet> presentDevices() override;
    HidHandle open(const std::string& path, bool overlapped) override;
    void close(HidHandle handle) override;
    bool hasParsedDescriptor(HidHandle handle) override;
    bool getAttributes(HidHandle handle, HidAttributes& out) override;
    bool getFeature(HidHandle handle, std::span<std::uint8_t> report) override;
    bool setFeature(HidHandle handle, std::span<const std::uint8_t> report) override;
    bool getNumInputBuffers(HidHandle handle, unsigned long& count) override;
    bool setNumInputBuffers(HidHandle handle, unsigned long count) override;
    ReadResult readReport(HidHandle handle, std::span<std::uint8_t> report,
                          std::chrono::milliseconds timeout, std::stop_token stop) override;
    WriteResult writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                            std::chrono::milliseconds timeout) override;

    struct Present {
        std::string path;
        HidAttributes attributes;
    };
    struct Device;

private:
    std::shared_ptr<Device> device(HidHandle handle);
    bool ensureInitialised();

    std::mutex mutex_;
    bool initialised_ = false;
    std::vector<Present> present_;
    std::map<HidHandle, std::shared_ptr<Device>> handles_;
    std::map<HidHandle, bool> synchronous_;
    HidHandle nextHandle_ = 1;
};

} // namespace ubrix
