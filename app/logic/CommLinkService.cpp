#include "app/logic/CommLinkService.h"

#include "app/logic/WindowTexts.h"
#include "comm/DebugLog.h"
#include "comm/Transfer.h"
#include "comm/usb/UsbLink.h"

#include <utility>

namespace kovrin {

namespace {

class CommLink final : public Link {
public:
    CommLink(Clock& clock, const SerialOpener& opener, const std::function<bool()>& usbOpen)
        : clock_(clock), port_(opener), usbOpen_(usbOpen)
    {
    }
    ~CommLink() override { port_.ClosePort(); }

    bool Open(const std::string& portName) override
    {
        port_.portName = portName;
        if (portName == text::kUsbPortName)
            return usbOpen_ ? usbOpen_() : UsbOpen();
        return port_.ConnectPort();
    }
    void Close() override { port_.ClosePort(); }

    LinkFailure Download(ConfigRecord& record, TransferObserver& observer) override
    {
        return DownloadRecord(port_, record, [&](int word) { observer.wordTransferred(word); });
    }
    LinkFailure Upload(const ConfigRecord& record, TransferObserver& observer) override
    {
        return UploadRecord(port_, record, clock_, [&](int word) { observer.wordTransferred(word); });
    }

private:
    Clock& clock_;
    CommPort port_;
    std::function<bool()> usbOpen_;
};

} // namespace

CommLinkService::CommLinkService(Clock& uploadClock, SerialOpener opener, std::function<bool()> usbOpen)
    : clock_(uploadClock), opener_(std::move(opener)), usbOpen_(std::move(usbOpen))
{
}

std::unique_ptr<Link> CommLinkService::CreateLink()
{
    return std::make_unique<CommLink>(clock_, opener_, usbOpen_);
}

void CommLinkService::DebugLog(const std::string& text)
{
    kovrin::DebugLog(text);
}

} // namespace kovrin
