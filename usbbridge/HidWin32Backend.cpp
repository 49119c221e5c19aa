// The Windows HID services behind the bridge: SetupDi enumeration of the HID interface
// class, CreateFileA handles, HidD_* calls and overlapped report I/O. A HidHandle is the
// Win32 handle value itself.
#include "BackendFactory.h"
#include "TransferOutcome.h"

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
// How long a cancelled transfer may take to complete. A driver that never completes it
// must not hold the reader (and the close that joins it) for ever.
constexpr DWORD kCancelBoundMs = 1000;

// One overlapped transfer's record, event and buffer. They must outlive the transfer:
// one whose cancel never completes is let go of, not freed.
struct Transfer {
    explicit Transfer(std::size_t size) : buffer(size) { overlapped.hEvent = event.get(); }
    OwnedEvent event;
    OVERLAPPED overlapped{};
    std::vector<std::uint8_t> buffer;
};

// Cancels the transfer and waits a bounded time for it to end.
Completion cancelAndComplete(HANDLE handle, Transfer& transfer) {
    CancelIoEx(handle, &transfer.overlapped);
    if (WaitForSingleObject(transfer.event.get(), kCancelBoundMs) != WAIT_OBJECT_0) return {};
    DWORD moved = 0;
    const bool ok = GetOverlappedResult(handle, &transfer.overlapped, &moved, FALSE) != FALSE;
    return {true, ok, moved};
}

Completion completed(HANDLE handle, Transfer& transfer) {
    DWORD moved = 0;
    const bool ok = GetOverlappedResult(handle, &transfer.overlapped, &moved, FALSE) != FALSE;
    return {true, ok, moved};
}

// Ends the transfer as judged; the buffer goes with it unless the system may still use it.
Outcome conclude(std::unique_ptr<Transfer>& transfer, WaitEnd waited, Completion completion) {
    const Outcome outcome = judgeTransfer(waited, completion);
    if (outcome == Outcome::Abandoned) (void)transfer.release();
    return outcome;
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
        auto transfer = std::make_unique<Transfer>(report.size());
        if (!transfer->event.get()) return ReadResult::StartFailed;
        if (!ReadFile(device, transfer->buffer.data(), static_cast<DWORD>(report.size()), nullptr, &transfer->overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return ReadResult::StartFailed;
        // The wait goes in short slices with a look at the stop request between them (a
        // stop callback could hang the reader in the mingw runtime).
        WaitEnd waited = WaitEnd::TimedOut;
        for (auto left = timeout; left.count() > 0 && !stop.stop_requested(); left -= kStopSlice) {
            const DWORD result = WaitForSingleObject(transfer->event.get(), static_cast<DWORD>(std::min(left, kStopSlice).count()));
            if (result == WAIT_TIMEOUT) continue;
            waited = result == WAIT_OBJECT_0 ? WaitEnd::Signalled : WaitEnd::Failed;
            break;
        }
        const Completion completion =
            waited == WaitEnd::Signalled ? completed(device, *transfer) : cancelAndComplete(device, *transfer);
        const Outcome outcome = conclude(transfer, waited, completion);
        if (stop.stop_requested()) return ReadResult::Cancelled;
        switch (outcome) {
        case Outcome::Done:
            if (completion.moved == 0) return ReadResult::TimedOut;
            std::copy_n(transfer->buffer.begin(), std::min<std::size_t>(completion.moved, report.size()), report.begin());
            return ReadResult::Ok;
        case Outcome::TimedOut: return ReadResult::TimedOut;
        case Outcome::WaitFailed:
        case Outcome::ResultFailed:
        case Outcome::Abandoned: break;
        }
        return ReadResult::Failed;
    }

    WriteResult writeReport(HidHandle handle, std::span<const std::uint8_t> report,
                            std::chrono::milliseconds timeout) override {
        const HANDLE device = toWin32(handle);
        auto transfer = std::make_unique<Transfer>(report.size());
        if (!transfer->event.get()) return {WriteResult::StartFailed, 0, GetLastError()};
        std::copy(report.begin(), report.end(), transfer->buffer.begin());
        if (!WriteFile(device, transfer->buffer.data(), static_cast<DWORD>(report.size()), nullptr, &transfer->overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return {WriteResult::StartFailed, 0, GetLastError()};
        const DWORD result = WaitForSingleObject(transfer->event.get(), static_cast<DWORD>(timeout.count()));
        const WaitEnd waited =
            result == WAIT_OBJECT_0 ? WaitEnd::Signalled : result == WAIT_TIMEOUT ? WaitEnd::TimedOut : WaitEnd::Failed;
        const Completion completion =
            waited == WaitEnd::Signalled ? completed(device, *transfer) : cancelAndComplete(device, *transfer);
        switch (conclude(transfer, waited, completion)) {
        case Outcome::Done: return {WriteResult::Written, completion.moved};
        case Outcome::TimedOut: return {WriteResult::WaitTimedOut, 0};
        case Outcome::WaitFailed:
        case Outcome::Abandoned: return {WriteResult::WaitFailed, 0};
        case Outcome::ResultFailed: break;
        }
        return {WriteResult::ResultFailed, 0};
    }
};

} // namespace

std::unique_ptr<HidBackend> makeBackend() { return std::make_unique<HidWin32Backend>(); }

} // namespace ubrix
