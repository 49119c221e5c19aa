#pragma once
// A named auto-reset event: one waiter is released per signal, and the signal is
// consumed by that waiter. Start-up creates "ReadUsb"; the USB link client opens it by
// name, signals it when an answer's end byte has arrived and waits on it.
#include <chrono>
#include <memory>
#include <string>

namespace kovrin {

class NamedEvent {
public:
    virtual ~NamedEvent() = default;
    virtual void set() = 0;
    virtual void reset() = 0;
    // True when the event was signalled within `timeout` (the signal is then consumed).
    virtual bool waitFor(std::chrono::milliseconds timeout) = 0;

    // Creates the event, not signalled, or returns the existing one of that name.
    // Null when the system cannot create it.
    static std::shared_ptr<NamedEvent> create(const std::string& name);
    // The event of that name while someone holds it; null otherwise.
    static std::shared_ptr<NamedEvent> open(const std::string& name);
};

inline constexpr const char* kReadUsbEventName = "ReadUsb";

} // namespace kovrin
