// The Windows HID services behind the bridge: SetupDi enumeration of the HID interface
// class, CreateFileA handles, HidD_* calls and overlapped report I/O. A HidHandle is the
// Win32 handle value itself.
#include "BackendFactory.h"

#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <memory>
#include <vector>

namespace ubrix {

namespace {

HANDLE toWin32(HidHandle handle) { return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handle)); }
HidHandle fromWin32(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNoHandle : static_cast<HidHandle>(reinterpret_cast<std::uintptr_t>(handle));
}

// Security attributes whose descriptor has no access list: any user may use the handle.
struct OpenSecurity {
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    OpenSecurity() {
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = FALSE;
    }
};

// A manual-reset event for one overlapped transfer.
class OwnedEvent {
public:
    OwnedEvent() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~OwnedEvent() {
        if (event_) CloseHandle(event_);
    }
    OwnedEvent(const OwnedEvent&) = delete;
    OwnedEvent& operator=(const OwnedEvent&) = delete;
    HANDLE get() const { return event_; }

private:
    HANDLE event_;
};

// The size field of the interface detail is the size of its fixed part as the system's
// own build packs it: 5 on 32-bit Windows, 8 on 64-bit. A header packing it otherwise
// would make every detail query fail with ERROR_INVALID_USER_BUFFER.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (sizeof(void*) == 8 ? 8 : 5));

class SetupDiSet final : public HidDeviceSet {
public:
    SetupDiSet(HDEVINFO set, GUID hidClass) : set_(set), hidClass_(hidClass) {}
    ~SetupDiSet() override { SetupDiDestroyDeviceInfoList(set_); }
    SetupDiSet(const SetupDiSet&) = delete;
    SetupDiSet& operator=(const SetupDiSet&) = delete;

    std::uint32_t enumerate(int index) override {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &hidClass_, static_cast<DWORD>(index), &data))
            return GetLastError();
        if (static_cast<std::size_t>(index) >= interfaces_.size()) interfaces_.resize(static_cast<std::size_t>(index) + 1);
        interfaces_[static_cast<std::size_t>(index)] = data;
        return 0;
    }

    bool detail(int index, std::string& path) override {
        if (index < 0 || static_cast<std::size_t>(index) >= interfaces_.size()) return false;
        SP_DEVICE_INTERFACE_DATA& data = interfaces_[static_cast<std::size_t>(index)];
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(set_, &data, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return false;
        // Heap memory is aligned for any type; the structure is variable-length.
        std::vector<std::uint64_t> buffer((required + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
        auto* detailData = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        // The size of the fixed part, which differs between 32-bit (5) and 64-bit (8) builds.
        detailData->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set_, &data, detailData, required, nullptr, nullptr)) return false;
        path = detailData->DevicePath;
        return true;
    }

private:
    HDEVINFO set_;
    GUID hidClass_;
    std::vector<SP_DEVICE_INTERFACE_DATA> interfaces_;
};

constexpr std::chrono::milliseconds kStopSlice{50};

void cancelAndComplete(HANDLE handle, OVERLAPPED& overlapped) {
    CancelIoEx(handle, &overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
}

// Waits for the overlapped transfer on `handle` at most `timeout`. When `last`, one that
// does not finish in time is cancelled and completed, so its buffer and event are free
// on return; otherwise it is left Pending for the caller's next wait.
enum class Wait { Done, Pending, TimedOut, WaitFailed, ResultFailed };
Wait finish(HANDLE handle, OVERLAPPED& overlapped, DWORD timeout, DWORD& moved, bool last = true) {
    moved = 0;
    const DWORD waited = WaitForSingleObject(overlapped.hEvent, timeout);
    if (waited == WAIT_TIMEOUT && !last) return Wait::Pending;
    if (waited != WAIT_OBJECT_0) {
        cancelAndComplete(handle, overlapped);
        return waited == WAIT_TIMEOUT ? Wait::TimedOut : Wait::WaitFailed;
    }
    return GetOverlappedResult(handle, &overlapped, &moved, TRUE) ? Wait::Done : Wait::ResultFailed;
}

class HidWin32Backend final : public HidBackend {
public:
    std::unique_ptr<HidDeviceSet> presentDevices() override {
        GUID hidClass{};
        HidD_GetHidGuid(&hidClass);
        HDEVINFO set = SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<SetupDiSet>(set, hidClass);
    }

    HidHandle open(const std::string& path, bool overlapped) override {
        OpenSecurity security;
        return fromWin32(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &security.attributes, OPEN_EXISTING, overlapped ? FILE_FLAG_OVERLAPPED : 0,
                                     nullptr));
    }

    void close(HidHandle handle) override { CloseHandle(toWin32(handle)); }

    bool hasParsedDescriptor(HidHandle handle) override {
        PHIDP_PREPARSED_DATA parsed = nullptr;
        if (!HidD_GetPreparsedData(toWin32(handle), &parsed)) return false;
        HidD_FreePreparsedData(parsed);
        return true;
    }

    bool getAttributes(HidHandle handle, HidAttributes& out) override {
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (!HidD_GetAttributes(toWin32(handle), &attributes)) return false;
        out = {attributes.Size, attributes.VendorID, attributes.ProductID, attributes.VersionNumber};
        return true;
    }

    bool getFeature(HidHandle handle, std::span<std::uint8_t> report) override {
        return HidD_GetFeature(toWin32(handle), report.data(), static_cast<ULONG>(report.size()));
    }

    bool setFeature(HidHandle handle, std::span<const std::uint8_t> report) override {
        // The call does not write to the buffer; its declaration is not const.
        std::vector<std::uint8_t> copy(report.begin(), report.end());
        return HidD_SetFeature(toWin32(handle), copy.data(), static_cast<ULONG>(copy.size()));
    }

    bool getNumInputBuffers(HidHandle handle, unsigned long& count) override {
        ULONG n = 0;
        if (!HidD_GetNumInputBuffers(toWin32(handle), &n)) return false;
        count = n;
        return true;
    }

    bool setNumInputBuffers(HidHandle handle, unsigned long count) override {
        return HidD_SetNumInputBuffers(toWin32(handle), static_cast<ULONG>(count));
    }

    ReadResult readReport(HidHandle handle, std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                          std::stop_token stop) override {
        if (stop.stop_requested()) return ReadResult::Cancelled;
        const HANDLE device = toWin32(handle);
        OwnedEvent event;
        if (!event.get()) return ReadResult::Failed;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        if (!ReadFile(device, report.data(), static_cast<DWORD>(report.size()), nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return ReadResult::Failed;
        // The wait goes in short slices with a look at the stop request between them (a
        // stop callback could hang the reader in the mingw runtime); a stop cancels the
        // read and completes it before the block goes away.
        DWORD moved = 0;
        Wait result = Wait::Pending;
        for (auto left = timeout; !stop.stop_requested(); left -= kStopSlice) {
            const auto slice = std::min(left, kStopSlice);
            result = finish(device, overlapped, static_cast<DWORD>(slice.count()), moved, left <= kStopSlice);
            if (result != Wait::Pending) break;
        }
        if (result == Wait::Pending) cancelAndComplete(device, overlapped);
        if (stop.stop_requested()) return ReadResult::Cancelled;
        switch (result) {
        case Wait::Done: return moved > 0 ? ReadResult::Ok : ReadResult::TimedOut;
        case Wait::Pending:
        case Wait::TimedOut: return ReadResult::TimedOut;
        case Wait::WaitFailed:
        case Wait::ResultFailed: break;
        }
        return ReadResult::Failed;
    }

    WriteResult writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                            std::chrono::milliseconds timeout) override {
        const HANDLE device = toWin32(handle);
        OwnedEvent event;
        if (!event.get()) return {WriteResult::WaitFailed, 0};
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        if (!WriteFile(device, report.data(), static_cast<DWORD>(report.size()), nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return {WriteResult::WaitFailed, 0};
        DWORD moved = 0;
        switch (finish(device, overlapped, static_cast<DWORD>(timeout.count()), moved)) {
        case Wait::Done: return {WriteResult::Written, moved};
        case Wait::Pending:
        case Wait::TimedOut: return {WriteResult::WaitTimedOut, 0};
        case Wait::WaitFailed: return {WriteResult::WaitFailed, 0};
        case Wait::ResultFailed: break;
        }
        return {WriteResult::ResultFailed, 0};
    }
};

} // namespace

std::unique_ptr<HidBackend> makeBackend() { return std::make_unique<HidWin32Backend>(); }

} // namespace ubrix
