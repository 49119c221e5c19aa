#include "FakeHidBackend.h"

#include <stdexcept>
#include <utility>

#include <algorithm>
#include <string>

namespace ubrix::test {

namespace {

class FakeSet final : public HidDeviceSet {
public:
    FakeSet(int count, std::map<int, std::uint32_t> errors, std::vector<bool> failDetail)
        : count_(count), errors_(std::move(errors)), failDetail_(std::move(failDetail)) {}
    std::uint32_t enumerate(int index) override {
        if (const auto it = errors_.find(index); it != errors_.end()) return it->second;
        return index < count_ ? 0 : kNoMoreItems;
    }
    bool detail(int index, std::string& path) override {
        if (index >= count_ || failDetail_[static_cast<std::size_t>(index)]) return false;
        path = "fake:" + std::to_string(index);
        return true;
    }

private:
    int count_;
    std::map<int, std::uint32_t> errors_;
    std::vector<bool> failDetail_;
};

} // namespace

int FakeHidBackend::addDevice(FakeDevice device) {
    std::lock_guard l(mutex_);
    State state;
    state.device = std::move(device);
    devices_.push_back(std::move(state));
    return static_cast<int>(devices_.size()) - 1;
}

void FakeHidBackend::enumerationErrorAt(int index, std::uint32_t code) {
    std::lock_guard l(mutex_);
    enumerationErrors_[index] = code;
}

void FakeHidBackend::unplug(int device) {
    {
        std::lock_guard l(mutex_);
        devices_.at(static_cast<std::size_t>(device)).attached = false;
    }
    changed_.notify_all();
}

void FakeHidBackend::replug(int device) {
    std::lock_guard l(mutex_);
    devices_.at(static_cast<std::size_t>(device)).attached = true;
}

void FakeHidBackend::pushInput(int device, std::vector<std::uint8_t> report) {
    {
        std::lock_guard l(mutex_);
        devices_.at(static_cast<std::size_t>(device)).input.push_back(std::move(report));
    }
    changed_.notify_all();
}

void FakeHidBackend::pushReadTimeout(int device) { pushInput(device, {}); }

bool FakeHidBackend::waitInputConsumed(int device) {
    std::unique_lock l(mutex_);
    const auto& s = devices_.at(static_cast<std::size_t>(device));
    return changed_.wait_for(l, std::chrono::seconds(10), [&] { return s.input.empty() && s.readerWaiting; });
}

void FakeHidBackend::failNextRead(int device) {
    std::lock_guard l(mutex_);
    devices_.at(static_cast<std::size_t>(device)).failRead = true;
}

void FakeHidBackend::throwOnNextRead(int device) {
    std::lock_guard l(mutex_);
    devices_.at(static_cast<std::size_t>(device)).throwRead = true;
}

void FakeHidBackend::scriptWrites(int device, std::vector<WriteResult::Kind> outcomes) {
    std::lock_guard l(mutex_);
    auto& q = devices_.at(static_cast<std::size_t>(device)).writeOutcomes;
    q.insert(q.end(), outcomes.begin(), outcomes.end());
}

std::vector<std::vector<std::uint8_t>> FakeHidBackend::writes(int device) const {
    std::lock_guard l(mutex_);
    return devices_.at(static_cast<std::size_t>(device)).writes;
}

std::vector<FeatureCall> FakeHidBackend::featureCalls(int device) const {
    std::lock_guard l(mutex_);
    return devices_.at(static_cast<std::size_t>(device)).features;
}

unsigned long FakeHidBackend::inputBuffers(int device) const {
    std::lock_guard l(mutex_);
    return devices_.at(static_cast<std::size_t>(device)).inputBuffers;
}

int FakeHidBackend::openHandles() const {
    std::lock_guard l(mutex_);
    return static_cast<int>(handles_.size());
}

int FakeHidBackend::opensTotal() const {
    std::lock_guard l(mutex_);
    return opens_;
}

int FakeHidBackend::badCloses() const {
    std::lock_guard l(mutex_);
    return badCloses_;
}

int FakeHidBackend::cancelledReads() const {
    std::lock_guard l(mutex_);
    return cancelled_;
}

int FakeHidBackend::maxConcurrentReaders() const {
    std::lock_guard l(mutex_);
    return maxReaders_;
}

FakeHidBackend::State* FakeHidBackend::stateOf(HidHandle handle) {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &devices_[static_cast<std::size_t>(it->second)];
}

std::unique_ptr<HidDeviceSet> FakeHidBackend::presentDevices() {
    std::lock_guard l(mutex_);
    if (failSet_) return nullptr;
    std::vector<bool> failDetail;
    for (const auto& d : devices_) failDetail.push_back(d.device.failDetail);
    return std::make_unique<FakeSet>(static_cast<int>(devices_.size()), enumerationErrors_, failDetail);
}

HidHandle FakeHidBackend::open(const std::string& path, bool overlapped) {
    std::lock_guard l(mutex_);
    const int index = std::stoi(path.substr(5));
    const auto& s = devices_.at(static_cast<std::size_t>(index));
    if (!s.attached || (overlapped ? s.device.failOpenOverlapped : s.device.failOpenSynchronous)) return kNoHandle;
    const HidHandle handle = nextHandle_++;
    handles_[handle] = index;
    ++opens_;
    return handle;
}

void FakeHidBackend::close(HidHandle handle) {
    std::lock_guard l(mutex_);
    if (handles_.erase(handle) == 0) ++badCloses_;
}

bool FakeHidBackend::hasParsedDescriptor(HidHandle handle) {
    std::lock_guard l(mutex_);
    const State* s = stateOf(handle);
    return s && !s->device.failParsedDescriptor;
}

bool FakeHidBackend::getAttributes(HidHandle handle, HidAttributes& out) {
    std::lock_guard l(mutex_);
    const State* s = stateOf(handle);
    if (!s || !s->attached || s->device.failAttributes) return false;
    out = {12, s->device.vendorId, s->device.productId, 0x0100};
    return true;
}

bool FakeHidBackend::getFeature(HidHandle handle, std::span<std::uint8_t> report) {
    std::lock_guard l(mutex_);
    State* s = stateOf(handle);
    if (!s) return false;
    s->features.push_back({false, std::vector<std::uint8_t>(report.begin(), report.end())});
    if (s->device.failGetFeature) return false;
    std::fill(report.begin(), report.end(), 0);
    std::copy_n(s->device.featureValue.begin(), std::min(report.size(), s->device.featureValue.size()), report.begin());
    return true;
}

bool FakeHidBackend::setFeature(HidHandle handle, std::span<const std::uint8_t> report) {
    std::lock_guard l(mutex_);
    State* s = stateOf(handle);
    if (!s) return false;
    s->features.push_back({true, std::vector<std::uint8_t>(report.begin(), report.end())});
    return !s->device.failSetFeature;
}

bool FakeHidBackend::getNumInputBuffers(HidHandle handle, unsigned long& count) {
    std::lock_guard l(mutex_);
    const State* s = stateOf(handle);
    if (!s || s->device.failGetNumInputBuffers) return false;
    count = s->inputBuffers;
    return true;
}

bool FakeHidBackend::setNumInputBuffers(HidHandle handle, unsigned long count) {
    std::lock_guard l(mutex_);
    State* s = stateOf(handle);
    if (!s || s->device.failSetNumInputBuffers) return false;
    s->inputBuffers = count;
    return true;
}

ReadResult FakeHidBackend::readReport(HidHandle handle, std::span<std::uint8_t> report,
                                      std::chrono::milliseconds timeout, std::stop_token stop) {
    std::unique_lock l(mutex_);
    State* s = stateOf(handle);
    if (!s) return ReadResult::StartFailed;
    if (std::exchange(s->throwRead, false)) throw std::runtime_error("driver fault");
    if (std::exchange(s->failRead, false)) return ReadResult::Failed;
    maxReaders_ = std::max(maxReaders_, ++readers_);
    s->readerWaiting = true;
    changed_.notify_all();
    // Waits in short slices and looks at the stop request between them: mingw's runtime
    // can lose the wake-up of a stop callback that ends while the request runs it.
    const auto until = std::chrono::steady_clock::now() + timeout;
    const auto arrived = [&] { return !s->input.empty() || !s->attached; };
    bool ready = arrived();
    while (!ready && !stop.stop_requested() && std::chrono::steady_clock::now() < until)
        ready = changed_.wait_for(l, std::chrono::milliseconds(5), arrived);
    s->readerWaiting = false;
    --readers_;
    if (!ready) {
        if (stop.stop_requested()) ++cancelled_;
        return stop.stop_requested() ? ReadResult::Cancelled : ReadResult::TimedOut;
    }
    if (!s->attached) return ReadResult::Failed;
    auto next = std::move(s->input.front());
    s->input.pop_front();
    if (next.empty()) return ReadResult::TimedOut;
    std::copy_n(next.begin(), std::min(next.size(), report.size()), report.begin());
    return ReadResult::Ok;
}

WriteResult FakeHidBackend::writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                                        std::chrono::milliseconds) {
    std::lock_guard l(mutex_);
    State* s = stateOf(handle);
    if (!s) return {WriteResult::WaitFailed, 0};
    WriteResult::Kind outcome = s->attached ? WriteResult::Written : WriteResult::ResultFailed;
    if (!s->writeOutcomes.empty()) {
        outcome = s->writeOutcomes.front();
        s->writeOutcomes.pop_front();
    }
    if (outcome == WriteResult::StartFailed) return {outcome, 0, 1167};  // the device is not connected
    if (outcome != WriteResult::Written) return {outcome, 0};
    s->writes.emplace_back(report.begin(), report.end());
    return {WriteResult::Written, report.size()};
}

} // namespace ubrix::test
