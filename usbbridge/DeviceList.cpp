#include "DeviceList.h"

#include "Format.h"

#include <algorithm>
#include <new>

namespace ubrix {

bool Discovery::FindKnownDevice(DeviceList& list) {
    list.records.clear();
    list.count = 0;
    auto set = backend.presentDevices();
    if (!set) return false;

    std::size_t capacity = 4;
    int index = 0;
    bool failed = false;
    bool ended = false;
    while (!ended) {
        capacity *= 2;
        try {
            list.records.resize(capacity);
        } catch (const std::bad_alloc&) {
            list.count = index;
            return false;
        }
        for (; static_cast<std::size_t>(index) < capacity; ++index) {
            trace(format("\n Internal FindKnownDevice = %i", index));
            const std::uint32_t error = set->enumerate(index);
            if (error != 0) {
                trace(format("\nError on EnumInterface: error %i", static_cast<int>(error)));
                failed = error != kNoMoreItems;
                ended = true;
                break;
            }
            trace("\nOpen Hid Device");
            openInterface(*set, index, list.records[static_cast<std::size_t>(index)]);
        }
    }
    list.count = index;
    return !failed;
}

bool Discovery::openInterface(HidDeviceSet& set, int index, HidDeviceRecord& record) {
    if (!set.detail(index, record.path)) return false;
    record.overlapped = OwnedHidHandle(backend, backend.open(record.path, true));
    if (!record.overlapped.valid()) return false;
    record.synchronous = OwnedHidHandle(backend, backend.open(record.path, false));
    if (!record.synchronous.valid()) return false;
    const HidHandle handle = record.overlapped.get();
    if (!backend.hasParsedDescriptor(handle)) return false;
    HidAttributes attributes;
    if (!backend.getAttributes(handle, attributes)) return false;
    record.attributes = attributes;

    const auto adapter = findAdapter(attributes.vendorId, attributes.productId);
    if (adapter) {
        kind = adapter->kind;
        record.inputReportLength = adapter->inputReportLength;
        record.outputReportLength = adapter->outputReportLength;
        record.featureReportLength = adapter->featureReportLength;
        if (adapter->kind == AdapterKind::SerialBridge) setSerialParameters(record);
    }
    setInputBuffers(record, adapter ? &*adapter : nullptr);
    return true;
}

void Discovery::setSerialParameters(HidDeviceRecord& record) {
    const HidHandle handle = record.overlapped.get();
    trace("\n\rSet serial HID parameters (HidD_SetFeature) ");
    record.featureReport.assign(kSerialParameterReport.size(), 0);
    if (!backend.getFeature(handle, record.featureReport)) trace("\n\rHidD_GetFeature error ! ");
    std::copy(kSerialParameterReport.begin(), kSerialParameterReport.end(), record.featureReport.begin());
    if (!backend.setFeature(handle, record.featureReport)) trace("\n\rHidD_SetFeature error ! ");
    std::fill(record.featureReport.begin(), record.featureReport.end(), 0);
    if (!backend.getFeature(handle, record.featureReport)) trace("\n\rHidD_GetFeature error ! ");
}

void Discovery::setInputBuffers(HidDeviceRecord& record, const AdapterInfo* adapter) {
    const HidHandle handle = record.overlapped.get();
    unsigned long current = 0;
    backend.getNumInputBuffers(handle, current);
    trace(format("\n\rHidD_GetNumInputBuffers:%li ", static_cast<long>(current)));
    if (!backend.setNumInputBuffers(handle, adapter ? adapter->inputBuffers : current))
        trace("\n\rHidD_SetNumInputBuffers error ! ");
    current = 0;
    backend.getNumInputBuffers(handle, current);
    trace(format("\n\rHidD_GetNumInputBuffers:%li ", static_cast<long>(current)));
}

HidDeviceRecord* Discovery::selectAdapter(DeviceList& list, bool verbose) {
    if (verbose) trace("\nUSB HID devices:");
    for (int i = 0; i < list.count; ++i) {
        auto& record = list.records[static_cast<std::size_t>(i)];
        if (verbose) trace(format("\n %i. - VendorID: %u", i + 1, unsigned{record.attributes.vendorId}));
        if (const auto adapter = findAdapter(record.attributes.vendorId, record.attributes.productId)) {
            kind = adapter->kind;
            if (verbose) trace(" ... OK");
            return &record;
        }
    }
    return nullptr;
}

bool Discovery::checkAttached(HidDeviceRecord& record) {
    HidAttributes attributes;
    if (record.synchronous.valid() && backend.getAttributes(record.synchronous.get(), attributes)) {
        record.attributes = attributes;
        return true;
    }
    record.attributes = HidAttributes{};
    return false;
}

void Discovery::releaseList(DeviceList& list) {
    for (int i = 0; i < list.count; ++i) {
        auto& record = list.records[static_cast<std::size_t>(i)];
        try {
            record.overlapped.reset();
            record.synchronous.reset();
            std::vector<std::uint8_t>().swap(record.featureReport);
            std::string().swap(record.path);
        } catch (...) {
            trace("\nA C++ exception was thrown.");
        }
    }
    list.count = 0;
}

} // namespace ubrix
