#pragma once
// A scripted HID back end: devices with chosen ids, scripted input reports and write
// outcomes, failing calls and unplugging. Thread-safe: the bridge's reader uses it too.
#include "HidBackend.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace ubrix::test {

struct FakeDevice {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool failDetail = false;
    bool failOpenOverlapped = false;
    bool failOpenSynchronous = false;
    bool failParsedDescriptor = false;
    bool failAttributes = false;
    bool failGetFeature = false;
    bool failSetFeature = false;
    bool failGetNumInputBuffers = false;
    bool failSetNumInputBuffers = false;
    // What a feature report read returns (sized to the caller's buffer).
    std::vector<std::uint8_t> featureValue{0x00, 0x80, 0x25, 0x00, 0x00, 0x03};
};

struct FeatureCall {
    bool set;
    std::vector<std::uint8_t> report;
};

inline const FakeDevice kPlain{0x0A6D, 0x0005};
inline const FakeDevice kBridge{0x04B4, 0x5500};
inline const FakeDevice kMouse{0x046D, 0xC077};

class FakeHidBackend final : public HidBackend {
public:
    int addDevice(FakeDevice device);
    void failDeviceSet() { std::lock_guard l(mutex_); failSet_ = true; }
    void enumerationErrorAt(int index, std::uint32_t code);
    void unplug(int device);
    void replug(int device);

    // Input reports the reader gets in order; a timeout entry makes one read time out.
    void pushInput(int device, std::vector<std::uint8_t> report);
    void pushReadTimeout(int device);
    // The next read starts and then fails; or it throws.
    void failNextRead(int device);
    void throwOnNextRead(int device);
    // Blocks until the reader has taken every pushed report and come back for the next.
    bool waitInputConsumed(int device);
    // Outcomes of the next writes to the device; later ones are written in full.
    void scriptWrites(int device, std::vector<WriteResult::Kind> outcomes);

    std::vector<std::vector<std::uint8_t>> writes(int device) const;
    std::vector<FeatureCall> featureCalls(int device) const;
    unsigned long inputBuffers(int device) const;
    int openHandles() const;
    int opensTotal() const;
    int badCloses() const;
    int cancelledReads() const;
    int maxConcurrentReaders() const;

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

private:
    struct State {
        FakeDevice device;
        bool attached = true;
        std::deque<std::vector<std::uint8_t>> input; // empty vector: a time-out
        bool readerWaiting = false;
        bool failRead = false;
        bool throwRead = false;
        std::deque<WriteResult::Kind> writeOutcomes;
        std::vector<std::vector<std::uint8_t>> writes;
        std::vector<FeatureCall> features;
        unsigned long inputBuffers = 32;
    };
    State* stateOf(HidHandle handle); // with mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<State> devices_;
    bool failSet_ = false;
    std::map<int, std::uint32_t> enumerationErrors_;
    std::map<HidHandle, int> handles_;
    HidHandle nextHandle_ = 1;
    int opens_ = 0;
    int badCloses_ = 0;
    int cancelled_ = 0;
    int readers_ = 0;
    int maxReaders_ = 0;
};

} // namespace ubrix::test
