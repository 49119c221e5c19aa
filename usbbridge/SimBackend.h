#pragma once
// A simulated adapter for demos and end-to-end tests: one HID device of the chosen kind
// whose serial side is a tty (UBRIX_SIM_TTY; UBRIX_SIM_KIND=plain|bridge). It speaks the
// kind's report layouts, so the bridge's own logic runs unchanged.
#include "Adapters.h"
#include "HidBackend.h"

#include <map>
#include <memory>
#include <mutex>

namespace ubrix {

class SimBackend final : public HidBackend {
public:
    // Reads the environment at every enumeration; these override it (tests).
    SimBackend() = default;
    SimBackend(std::string tty, AdapterKind kind);
    ~SimBackend() override;

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

    struct Port;

private:
    std::shared_ptr<Port> port(HidHandle handle);

    bool fixed_ = false;
    std::string fixedTty_;
    AdapterKind fixedKind_ = AdapterKind::SerialBridge;

    std::mutex mutex_;
    std::string tty_;
    AdapterKind kind_ = AdapterKind::SerialBridge;
    std::map<HidHandle, std::shared_ptr<Port>> handles_;
    HidHandle nextHandle_ = 1;
};

} // namespace ubrix
