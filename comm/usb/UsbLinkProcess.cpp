#include <cstdlib>

#include "comm/DebugLog.h"
#include "comm/Frame.h"
#include "comm/usb/UsbLink.h"
#include "platform/Folders.h"

namespace kovrin {

UsbOpenSettings DefaultUsbOpenSettings()
{
    UsbOpenSettings settings;
    const char* override = std::getenv("KOVRIN_UBRIX");
    settings.libraryPath = (override != nullptr && *override != '\0')
                               ? std::string(override)
                               : ProgramFolder() + SharedLibraryFileName("ubrix");
    settings.debugMode = DebugMode();
    settings.tracePath = DebugLogFolder() + kUsbDebugLogName;
    return settings;
}

UsbLink& ProcessUsbLink()
{
    // Never destroyed: at exit the bridge library's own globals may already be gone, so
    // nothing may call into it then. Disconnect and Exit close the link beforehand.
    static UsbLink* const link = new UsbLink([] {
        UsbLinkServices services;
        services.log = [](std::string_view text) { DebugLog(text); };
        services.trace = [](std::uint8_t byte, int kind) { TraceByte(byte, kind); };
        services.accept = AcceptAnswer;
        services.clock = &systemClock();
        // Start-up holds the event for the whole run; a tool without that start-up
        // (kovrin-cli) gets it created here, and the link keeps it alive.
        services.readUsb = NamedEvent::create(kReadUsbEventName);
        return services;
    }());
    return *link;
}

bool UsbOpen()
{
    return ProcessUsbLink().Open(DefaultUsbOpenSettings());
}

} // namespace kovrin
