#pragma once
// The library-wide state and the behaviour behind the six exports. The library holds one
// Bridge; tests build their own over a fake HID back end.
#include "Adapters.h"
#include "DeviceList.h"
#include "HidBackend.h"
#include "ModulePin.h"
#include "PendingBuffer.h"
#include "Runtime.h"
#include "StopEvent.h"
#include "Trace.h"

#include <array>
#include <atomic>
#include <optional>
#include <thread>

namespace ubrix {

namespace status {
inline constexpr int kOk = 0;
inline constexpr int kThreadFailed = 4;
inline constexpr int kEventFailed = 5;
inline constexpr int kNoAdapter = 98;
} // namespace status

inline constexpr std::chrono::milliseconds kIoTimeout{3000};
inline constexpr std::chrono::milliseconds kStepPause{100};
inline constexpr std::chrono::milliseconds kFailedReadPause{20};
inline constexpr int kWriteErrorLimit = 6;

class Bridge {
public:
    Bridge(HidBackend& backend, Runtime& runtime, Trace::ConsoleWriter console = Trace::writeStdout);
    ~Bridge();
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    int USB_COM_Init(unsigned char D, unsigned char DL, const char* F);
    int USB_COM_Close(int keep);
    int Send_USB_Packet(char* buf, int size);
    int Get_USB_Packet(char* buf);
    int SetUSBRequest(int request);
    int GetUSBOpened() const { return opened_.load(); }

    // Inspection for tests and diagnostics.
    const DeviceList& devices() const { return list_; }
    const HidDeviceRecord* selected() const { return selected_; }
    AdapterKind adapterKind() const { return kind_.load(); }
    bool readerRunning() const { return reader_.joinable(); }
    int writeErrorCount() const { return writeErrors_; }
    bool active() const { return active_.load() != 0; }

private:
    void CommProc(std::stop_token stop, HidHandle handle, std::size_t inputLength);
    void readLoop(std::stop_token stop, HidHandle handle, std::size_t inputLength);
    void stopReader();
    void releaseDevices();
    void checkAttachment();
    void writePacket(const std::uint8_t* packet, std::size_t length);

    HidBackend& backend_;
    Runtime& runtime_;
    Trace trace_;
    std::atomic<int> opened_{0};
    std::atomic<int> request_{0};
    std::atomic<int> active_{0};
    std::atomic<AdapterKind> kind_{AdapterKind::Plain};
    Discovery discovery_{backend_, trace_, kind_};
    DeviceList list_;
    HidDeviceRecord* selected_ = nullptr;
    PendingBuffer pending_;
    std::array<std::uint8_t, PendingBuffer::kSize> reportBuffer_{};
    int writeErrors_ = 0;
    std::optional<StopEvent> stopAck_;
    // Held while a reader runs; given back only once it is joined.
    std::optional<ModulePin> pin_;
    // Last member: destroyed (stopped and joined) before everything the reader uses.
    std::jthread reader_;
};

} // namespace ubrix
