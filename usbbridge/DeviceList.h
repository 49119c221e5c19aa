#pragma once
// Discovery of the HID interfaces present, recognition and set-up of the known adapters,
// selection of the adapter in use, the later attachment check and the release of it all.
#include "Adapters.h"
#include "HidBackend.h"
#include "Trace.h"

#include <atomic>
#include <string>
#include <vector>

namespace ubrix {

struct HidDeviceRecord {
    OwnedHidHandle overlapped;
    OwnedHidHandle synchronous;
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
    HidAttributes attributes;
    std::vector<std::uint8_t> featureReport;
    std::string path;
};

// Records for every enumerated interface; the vector's size is the allocated capacity.
struct DeviceList {
    std::vector<HidDeviceRecord> records;
    int count = 0;
};

struct Discovery {
    HidBackend& backend;
    Trace& trace;
    std::atomic<AdapterKind>& kind;

    bool FindKnownDevice(DeviceList& list);
    bool openInterface(HidDeviceSet& set, int index, HidDeviceRecord& record);
    HidDeviceRecord* selectAdapter(DeviceList& list, bool verbose);
    bool checkAttached(HidDeviceRecord& record);
    void releaseList(DeviceList& list);

private:
    void setSerialParameters(HidDeviceRecord& record);
    void setInputBuffers(HidDeviceRecord& record, const AdapterInfo* adapter);
};

} // namespace ubrix
