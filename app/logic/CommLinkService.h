#pragma once
// The window's links over comm/: a CommPort opened with ConnectPort for "COM1".."COM8"
// or with the USB open for "USB", carrying DownloadRecord and UploadRecord.
#include "app/logic/LinkService.h"
#include "comm/CommPort.h"
#include "platform/Clock.h"

#include <functional>

namespace kovrin {

class CommLinkService final : public LinkService {
public:
    // `usbOpen` stands in for comm/usb's UsbOpen (tests); empty: the real one. `finder`
    // assigns the COM numbers; null: the system's.
    explicit CommLinkService(Clock& uploadClock = systemClock(), SerialOpener opener = SystemSerialOpener(),
                             std::function<bool()> usbOpen = {}, std::shared_ptr<PortFinder> finder = nullptr);

    std::unique_ptr<Link> CreateLink() override;
    void DebugLog(const std::string& text) override;
    PortScan ScanPorts() override;

private:
    Clock& clock_;
    SerialOpener opener_;
    std::function<bool()> usbOpen_;
    std::shared_ptr<PortFinder> finder_;
};

} // namespace kovrin
