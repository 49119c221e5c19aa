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
    CommLink(Clock& clock, const SerialOpener& opener, const std::function<bool()>& usbOpen,
             std::shared_ptr<PortFinder> finder)
        : clock_(clock), port_(opener, std::move(finder)), usbOpen_(usbOpen)
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
    std::string OpenFailureText() const override
    {
        return port_.openFailure().forUser ? port_.openFailure().text : std::string();
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

CommLinkService::CommLinkService(Clock& uploadClock, SerialOpener opener, std::function<bool()> usbOpen,
                                 std::shared_ptr<PortFinder> finder)
    : clock_(uploadClock)
    , opener_(std::move(opener))
    , usbOpen_(std::move(usbOpen))
    , finder_(finder ? std::move(finder) : std::shared_ptr<PortFinder>(MakeSystemPortFinder()))
{
}

std::unique_ptr<Link> CommLinkService::CreateLink()
{
    return std::make_unique<CommLink>(clock_, opener_, usbOpen_, finder_);
}

PortScan CommLinkService::ScanPorts()
{
    // The link logs the scan's notes when it opens a port; a menu opening need not.
    return finder_->Scan();
}

void CommLinkService::DebugLog(const std::string& text)
{
    kovrin::DebugLog(text);
}

} // namespace kovrin
