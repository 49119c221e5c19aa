#include "comm/UsbLinkClient.h"

namespace kovrin {

bool UsbSelected = false;
bool UsbAnswerPending = false;

namespace {
UsbLinkClient* installedClient = nullptr;
}

void SetUsbLinkClient(UsbLinkClient* client)
{
    installedClient = client;
}

UsbLinkClient* GetUsbLinkClient()
{
    return installedClient;
}

} // namespace kovrin
