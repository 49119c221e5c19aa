#pragma once
// The USB side of the link operations. The USB open (comm/usb) installs a client and sets
// UsbSelected; from then on WriteBuffer, ReadBuffer and ClosePort hand their work to it.
#include <cstddef>
#include <cstdint>

namespace kovrin {

// True while the USB link is in use: the only switch between the serial and the USB path.
extern bool UsbSelected;
// True from a request handed to an open adapter until its answer frame is complete.
extern bool UsbAnswerPending;

class UsbLinkClient {
public:
    virtual ~UsbLinkClient() = default;
    // WriteBuffer's USB branch, called after the "sent %d bytes" trace; WriteBuffer then
    // returns true whatever the send did.
    virtual void Send(const std::uint8_t* frame, std::size_t size) = 0;
    // ReadBuffer's USB branch, taken only when UsbSelected && UsbAnswerPending. Collects the
    // answer (bounded in time) and returns the verdict of AcceptAnswer.
    virtual bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                      std::size_t expected, std::size_t alternative) = 0;
    // ClosePort's USB branch, after the serial part is released; only when UsbSelected.
    virtual void Close() = 0;
};

// Installed by the USB open; none (nullptr) until then. The client must outlive its use.
void SetUsbLinkClient(UsbLinkClient* client);
UsbLinkClient* GetUsbLinkClient();

} // namespace kovrin
