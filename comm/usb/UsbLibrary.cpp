#include "comm/usb/UsbLibrary.h"

#include <cstdio>
#include <utility>

namespace kovrin {

namespace {

template <typename Fn>
bool Lookup(const SharedLibrary& library, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(library.symbol(name));
    return slot != nullptr;
}

} // namespace

UsbLibrary::UsbLibrary(UsbLog log) : log_(std::move(log)) {}

int UsbLibrary::Load(const std::string& path)
{
    if (Bound())
        return 0;
    if (!library_.loaded() && !library_.load(path)) {
        char line[96];
        std::snprintf(line, sizeof line, "Cannot load USB dll [Error: %u]", library_.errorCode());
        log_(line);
        // The loader's own text says which file and why (missing, wrong format, ...).
        if (!library_.errorText().empty())
            log_("\n " + library_.errorText() + "\n");
        return kUsbCannotLoad;
    }
    if (!Bind()) {
        Release();
        return kUsbBadLibrary;
    }
    return 0;
}

bool UsbLibrary::Bind()
{
    // Looked up in this order; the first missing one ends the binding.
    bool ok = Lookup(library_, "USB_COM_Init", init_) && Lookup(library_, "USB_COM_Close", close_) &&
              Lookup(library_, "Send_USB_Packet", send_) && Lookup(library_, "Get_USB_Packet", take_) &&
              Lookup(library_, "SetUSBRequest", request_) && Lookup(library_, "GetUSBOpened", opened_);
    if (!ok)
        Forget();
    return ok;
}

void UsbLibrary::Forget()
{
    init_ = nullptr;
    close_ = nullptr;
    send_ = nullptr;
    take_ = nullptr;
    request_ = nullptr;
    opened_ = nullptr;
}

void UsbLibrary::Release()
{
    Forget();
    library_.unload();
}

int UsbLibrary::Init(unsigned char d, unsigned char dl, const char* tracePath)
{
    return init_ ? init_(d, dl, tracePath) : kUsbUnbound;
}

int UsbLibrary::Close(int keep)
{
    return close_ ? close_(keep) : kUsbUnbound;
}

int UsbLibrary::Send(char* packet, int capacity)
{
    return send_ ? send_(packet, capacity) : kUsbUnbound;
}

int UsbLibrary::Take(char* buffer)
{
    return take_ ? take_(buffer) : kUsbUnbound;
}

int UsbLibrary::Request(int request)
{
    return request_ ? request_(request) : kUsbUnbound;
}

int UsbLibrary::Opened()
{
    return opened_ ? opened_() : kUsbUnbound;
}

} // namespace kovrin
