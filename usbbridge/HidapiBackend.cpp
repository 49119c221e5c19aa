#include "HidapiBackend.h"

#include "Adapters.h"
#include "BackendFactory.h"

#include <hidapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace ubrix {

namespace {

constexpr std::uint32_t kAttributesSize = 12;
// hidapi's libusb back end queues this many input reports per device.
constexpr unsigned long kDefaultInputBuffers = 30;
// hidapi's read cannot be woken, so the reader waits in slices and looks at its stop
// request between them.
constexpr int kReadSliceMs = 50;
// hidapi's libusb back end gives a write 1000 ms; a failure after most of that is its
// time-out rather than an error.
constexpr std::chrono::milliseconds kWriteAttemptBound{900};

std::vector<HidapiBackend::Present> enumerate(unsigned short vendorId, unsigned short productId) {
    std::vector<HidapiBackend::Present> found;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    for (const hid_device_info* d = list; d; d = d->next) {
        if (!d->path) continue;
        found.push_back({d->path, {kAttributesSize, d->vendor_id, d->product_id, d->release_number}});
    }
    hid_free_enumeration(list);
    return found;
}

class PresentSet final : public HidDeviceSet {
public:
    explicit PresentSet(std::vector<HidapiBackend::Present> present) : present_(std::move(present)) {}
    std::uint32_t enumerate(int index) override {
        return index >= 0 && static_cast<std::size_t>(index) < present_.size() ? 0 : kNoMoreItems;
    }
    bool detail(int index, std::string& path) override {
        if (enumerate(index) != 0) return false;
        path = present_[static_cast<std::size_t>(index)].path;
        return true;
    }

private:
    std::vector<HidapiBackend::Present> present_;
};

} // namespace

// Both handles of one interface share this: libusb lets an interface be claimed once.
// Only the two known adapters are ever opened through hidapi (which claims the
// interface); every other HID device is listed and left to its kernel driver.
struct HidapiBackend::Device {
    std::string path;
    HidAttributes attributes;
    hid_device* hid = nullptr;
    std::atomic<bool> gone{false};
    std::atomic<unsigned long> inputBuffers{kDefaultInputBuffers};

    Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() {
        if (hid) hid_close(hid);
    }
};

std::unique_ptr<HidBackend> makeBackend() { return std::make_unique<HidapiBackend>(); }

HidapiBackend::~HidapiBackend() {
    handles_.clear();
    if (initialised_) hid_exit();
}

bool HidapiBackend::ensureInitialised() {
    if (!initialised_) initialised_ = hid_init() == 0;
    return initialised_;
}

std::unique_ptr<HidDeviceSet> HidapiBackend::presentDevices() {
    std::lock_guard lock(mutex_);
    if (!ensureInitialised()) return nullptr;
    present_ = enumerate(0, 0);
    return std::make_unique<PresentSet>(present_);
}

HidHandle HidapiBackend::open(const std::string& path, bool overlapped) {
    std::lock_guard lock(mutex_);
    const auto found = std::find_if(present_.begin(), present_.end(), [&](const Present& p) { return p.path == path; });
    if (found == present_.end()) return kNoHandle;
    std::shared_ptr<Device> shared;
    for (const auto& [h, d] : handles_)
        if (d->path == path) shared = d;
    if (!shared) {
        shared = std::make_shared<Device>();
        shared->path = path;
        shared->attributes = found->attributes;
        // An adapter is claimed now, not at its first report: one that another program
        // holds (or that vanished) must fail its open, so that it is never selected.
        if (findAdapter(found->attributes.vendorId, found->attributes.productId)) {
            shared->hid = hid_open_path(path.c_str());
            if (!shared->hid) return kNoHandle;
        }
    }
    const HidHandle handle = nextHandle_++;
    handles_[handle] = shared;
    synchronous_[handle] = !overlapped;
    return handle;
}

void HidapiBackend::close(HidHandle handle) {
    std::shared_ptr<Device> last;
    {
        std::lock_guard lock(mutex_);
        const auto it = handles_.find(handle);
        if (it == handles_.end()) return;
        last = std::move(it->second);
        handles_.erase(it);
        synchronous_.erase(handle);
    }
    // `last` closes the device outside the lock when it was its final handle.
}

std::shared_ptr<HidapiBackend::Device> HidapiBackend::device(HidHandle handle) {
    std::lock_guard lock(mutex_);
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
}

bool HidapiBackend::hasParsedDescriptor(HidHandle handle) { return device(handle) != nullptr; }

bool HidapiBackend::getAttributes(HidHandle handle, HidAttributes& out) {
    const auto d = device(handle);
    if (!d || d->gone) return false;
    bool live = false;
    {
        std::lock_guard lock(mutex_);
        live = synchronous_[handle];
    }
    if (live) {
        // The attachment check: is the interface still among the present ones?
        const auto now = enumerate(d->attributes.vendorId, d->attributes.productId);
        if (std::none_of(now.begin(), now.end(), [&](const Present& p) { return p.path == d->path; })) return false;
    }
    out = d->attributes;
    return true;
}

bool HidapiBackend::getFeature(HidHandle handle, std::span<std::uint8_t> report) {
    const auto d = device(handle);
    hid_device* hid = d ? d->hid : nullptr;
    return hid && hid_get_feature_report(hid, report.data(), report.size()) >= 0;
}

bool HidapiBackend::setFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    const auto d = device(handle);
    hid_device* hid = d ? d->hid : nullptr;
    return hid && hid_send_feature_report(hid, report.data(), report.size()) >= 0;
}

// Linux keeps no per-handle input report count: remember the number asked for.
bool HidapiBackend::getNumInputBuffers(HidHandle handle, unsigned long& count) {
    const auto d = device(handle);
    if (!d) return false;
    count = d->inputBuffers;
    return true;
}

bool HidapiBackend::setNumInputBuffers(HidHandle handle, unsigned long count) {
    const auto d = device(handle);
    if (!d || count < 2) return false;
    d->inputBuffers = count;
    return true;
}

ReadResult HidapiBackend::readReport(HidHandle handle, std::span<std::uint8_t> report,
                                     std::chrono::milliseconds timeout, std::stop_token stop) {
    const auto d = device(handle);
    hid_device* hid = d ? d->hid : nullptr;
    // A device already found gone fails at once: that read cannot start.
    if (!hid || d->gone || report.size() < 2) return ReadResult::StartFailed;
    // The adapters use unnumbered reports: hidapi hands over the data alone, while the
    // report layout starts with the report id 0.
    report[0] = 0;
    for (auto left = timeout.count(); left > 0; left -= kReadSliceMs) {
        if (stop.stop_requested()) return ReadResult::Cancelled;
        const int slice = static_cast<int>(std::min<long long>(left, kReadSliceMs));
        const int got = hid_read_timeout(hid, report.data() + 1, report.size() - 1, slice);
        if (got > 0) return ReadResult::Ok;
        if (got < 0) {
            d->gone = true;
            return ReadResult::Failed;
        }
    }
    return ReadResult::TimedOut;
}

// hidapi writes synchronously and gives up after its own bound of about a second, with
// nothing left pending. A failure that took that long is the adapter not taking the
// report: it is offered again until the caller's wait has passed, and then reported as a
// time-out. A failure that comes at once (the adapter gone) is a failed wait.
WriteResult HidapiBackend::writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                                       std::chrono::milliseconds timeout) {
    const auto d = device(handle);
    hid_device* hid = d ? d->hid : nullptr;
    if (!hid) return {WriteResult::WaitFailed, 0};
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto attempt = std::chrono::steady_clock::now();
        const int written = hid_write(hid, report.data(), report.size());
        if (written >= 0) return {WriteResult::Written, static_cast<std::size_t>(written)};
        const auto now = std::chrono::steady_clock::now();
        if (now - attempt < kWriteAttemptBound) return {WriteResult::WaitFailed, 0};
        if (now - start >= timeout) return {WriteResult::WaitTimedOut, 0};
    }
}

} // namespace ubrix
