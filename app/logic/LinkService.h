#pragma once
// The window's view of the link to the switch: one link object per Connect, opened
// over a COM port or USB, carrying the download and upload procedures. The
// production service sits on comm/ (CommLinkService); tests script a fake.
#include "comm/ChangedUpload.h"
#include "comm/Transfer.h"
#include "config/ConfigRecord.h"
#include "platform/PortFinder.h"

#include <memory>
#include <string>

namespace kovrin {

// Which link operation ended a transfer; None is success.
using LinkFailure = TransferFailure;

// Told after each parameter word has gone or come (0..15).
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void wordTransferred(int word) = 0;
};

class Link {
public:
    virtual ~Link() = default;  // disposes of the link object

    // "COM1".."COM8" through ConnectPort, "USB" through the USB open.
    // False leaves nothing open.
    virtual bool Open(const std::string& portName) = 0;

    // Why the last Open failed, in a line to show under the error message; empty when
    // there is nothing to show (the system keeps the reason to the log).
    virtual std::string OpenFailureText() const { return {}; }

    // ClosePort: releases what is held; harmless on a closed link.
    virtual void Close() = 0;

    // Reads identification, nominal data and words 0..15 into `record`. On failure
    // `record` is exactly as it was.
    virtual LinkFailure Download(ConfigRecord& record, TransferObserver& observer) = 0;

    // Sends words 0..15 of `record` (750 ms before each request).
    virtual LinkFailure Upload(const ConfigRecord& record, TransferObserver& observer) = 0;

    // The changed-only upload: reads the switch's state, writes the words of `wanted`
    // that differ, reads them back. The observer hears each word read, written and read
    // back. A link without it writes nothing.
    virtual ChangedUploadResult UploadChanged(const ConfigRecord& wanted, TransferObserver& observer)
    {
        (void)wanted;
        (void)observer;
        ChangedUploadResult refused;
        refused.failure = TransferFailure::WriteBuffer;
        return refused;
    }
};

class LinkService {
public:
    virtual ~LinkService() = default;
    // A new link object with an empty port name and nothing open.
    virtual std::unique_ptr<Link> CreateLink() = 0;
    // DebugLog: the diagnostic log, silent outside debug mode.
    virtual void DebugLog(const std::string& text) = 0;
    // Which device each of COM1..COM8 stands for now. By default nothing is known
    // beyond the names.
    virtual PortScan ScanPorts()
    {
        PortScan scan;
        for (int n = 1; n <= kComPortCount; ++n)
            scan.ports[static_cast<std::size_t>(n - 1)] = {n, "COM" + std::to_string(n), {}, {}, false, false, false, false, {}};
        return scan;
    }
};

} // namespace kovrin
