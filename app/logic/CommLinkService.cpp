#include "app/logic/CommLinkService.h"

#include "app/logic/WindowTexts.h"
#include "comm/Archive.h"
#include "comm/DebugLog.h"
#include "comm/SwitchSession.h"
#include "comm/Transfer.h"

#include <utility>

namespace kovrin {

namespace {

class CommLink final : public Link {
public:
    CommLink(Clock& clock, const SerialOpener& opener, const std::function<bool()>& usbOpen,
             std::shared_ptr<PortFinder> finder)
        : clock_(clock), maker_{opener, std::move(finder), usbOpen}
    {
    }
    ~CommLink() override { Close(); }

    bool Open(const std::string& portName) override
    {
        Close();
        LinkOpening opened = OpenSwitchLink(portName, maker_);
        port_ = std::move(opened.link);
        reason_ = opened.reason;
        return port_ != nullptr;
    }
    std::string OpenFailureText() const override { return reason_; }
    void Close() override
    {
        if (port_)
            port_->ClosePort();
    }

    LinkFailure Download(ConfigRecord& record, TransferObserver& observer) override
    {
        if (!port_)
            return LinkFailure::WriteBuffer;
        return DownloadRecord(*port_, record, [&](int word) { observer.wordTransferred(word); });
    }
    LinkFailure Upload(const ConfigRecord& record, TransferObserver& observer) override
    {
        if (!port_)
            return LinkFailure::WriteBuffer;
        return UploadRecord(*port_, record, clock_, [&](int word) { observer.wordTransferred(word); });
    }

    ChangedUploadResult UploadChanged(const ConfigRecord& wanted, TransferObserver& observer) override
    {
        if (!port_)
            return Link::UploadChanged(wanted, observer);
        const ArchiveLocation archive = ArchiveFromEnvironment();
        return UploadChangedWords(*port_, wanted, SleepOn(clock_), {false, &archive},
                                  [&](ChangedUploadStage, int word) { observer.wordTransferred(word); });
    }

private:
    Clock& clock_;
    LinkMaker maker_;
    std::unique_ptr<CommPort> port_;
    std::string reason_;
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
