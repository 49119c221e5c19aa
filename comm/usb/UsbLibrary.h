#pragma once
// The USB bridge library as the program sees it: loaded from a file, its six exports bound
// by name, each reached through a wrapper that returns -1 and calls nothing while unbound.
#include <functional>
#include <string>
#include <string_view>

#include "platform/SharedLibrary.h"
#include "usbbridge/ubrix.h"

namespace kovrin {

using UsbLog = std::function<void(std::string_view)>;

// Codes of the program's own beside the library's status codes.
inline constexpr int kUsbCannotLoad = 81;   // file missing or not loadable
inline constexpr int kUsbBadLibrary = 82;   // an export is missing
inline constexpr int kUsbUnbound = -1;      // what every wrapper returns while unbound

class UsbLibrary {
public:
    explicit UsbLibrary(UsbLog log);

    // 0 when the library at `path` is loaded and all six exports are bound (a library
    // already loaded is kept), kUsbCannotLoad or kUsbBadLibrary otherwise. A library with
    // a missing export is released again.
    int Load(const std::string& path);
    // Forgets the entry points and releases the library.
    void Release();
    bool Bound() const { return init_ != nullptr; }

    int Init(unsigned char d, unsigned char dl, const char* tracePath);
    int Close(int keep);
    int Send(char* packet, int capacity);
    int Take(char* buffer);
    int Request(int request);
    int Opened();

private:
    bool Bind();
    void Forget();

    UsbLog log_;
    SharedLibrary library_;
    decltype(&USB_COM_Init) init_ = nullptr;
    decltype(&USB_COM_Close) close_ = nullptr;
    decltype(&Send_USB_Packet) send_ = nullptr;
    decltype(&Get_USB_Packet) take_ = nullptr;
    decltype(&SetUSBRequest) request_ = nullptr;
    decltype(&GetUSBOpened) opened_ = nullptr;
};

} // namespace kovrin
