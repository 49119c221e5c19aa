#pragma once
// The program's side of the USB link: opens the bridge library in place of a COM port,
// carries WriteBuffer / ReadBuffer / ClosePort over it and cuts the answer out of the
// byte stream it delivers.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "comm/UsbLinkClient.h"
#include "comm/usb/UsbFrameAssembler.h"
#include "comm/usb/UsbLibrary.h"
#include "platform/Clock.h"
#include "platform/Event.h"

namespace kovrin {

// Room for a frame of 216 bytes: the library pads it with zeros to a multiple of 4 and
// adds a terminator, all inside this buffer.
inline constexpr std::size_t kUsbSendBufferSize = 220;
inline constexpr std::size_t kUsbMaxFrame = 216;
// One take of the library's pending buffer.
inline constexpr std::size_t kUsbTakeSize = 1199;

// How long a read waits for the end of an answer. The switch has `answerWait` after the
// request went out; every arrival extends the wait to `quietWait` past it, but never
// beyond `longestWait` (a full pending buffer at 1200 baud takes 10 s).
struct UsbReadLimits {
    std::chrono::milliseconds answerWait{3000};
    std::chrono::milliseconds quietWait{1000};
    std::chrono::milliseconds longestWait{10000};
    std::chrono::milliseconds pollPause{5};  // between empty takes, so waiting costs no CPU
    // A switch that has said nothing for `idleAfter` is polled at the slower pace: an answer
    // in flight is taken within 5 ms, a silent switch wakes the program 40 times a second.
    std::chrono::milliseconds idleAfter{100};
    std::chrono::milliseconds idlePollPause{25};
};

// What one USB open needs to know.
struct UsbOpenSettings {
    std::string libraryPath;
    bool debugMode = false;
    std::string tracePath;  // the library's own trace file
};

// What the link reaches beyond the library: the diagnostic log, the traffic trace, the
// answer check, the clock and the "ReadUsb" event.
struct UsbLinkServices {
    UsbLog log;
    std::function<void(std::uint8_t, int)> trace;
    std::function<bool(const std::uint8_t*, std::size_t, std::size_t, std::size_t)> accept;
    Clock* clock = nullptr;
    std::shared_ptr<NamedEvent> readUsb;
    UsbReadLimits limits;
};

class UsbLink final : public UsbLinkClient {
public:
    explicit UsbLink(UsbLinkServices services);
    ~UsbLink() override;
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;

    // Loads, binds and initialises the library and makes the link operations go the USB
    // way. Fails only when the library cannot be loaded or bound; no adapter is logged
    // and still succeeds (every send searches again).
    bool Open(const UsbOpenSettings& settings);

    void Send(const std::uint8_t* frame, std::size_t size) override;
    bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
              std::size_t alternative) override;
    void Close() override;

    // Closes the library if the adapter is open, then releases it.
    void Unload();

    // The program's copy of the library's opened state (0 or 1).
    int OpenedState() const { return opened_; }
    bool LibraryBound() const { return library_.Bound(); }
    // The library itself, through its -1-while-unbound wrappers.
    UsbLibrary& Library() { return library_; }

private:
    int CloseLibrary(int keep);
    int AskOpened();
    void AnswerComplete();

    UsbLinkServices services_;
    UsbLibrary library_;
    UsbFrameAssembler assembler_;
    int opened_ = 0;
    std::optional<Clock::TimePoint> sentAt_;
};

// ---- the process's one USB link ----

// Library file, debug switch and trace path for this run: the library beside the program
// ("libubrix.so" / "ubrix.dll" in ProgramFolder), unless the environment variable
// KOVRIN_UBRIX names another file (demos and tests use the simulated-adapter build).
UsbOpenSettings DefaultUsbOpenSettings();

// The link used by the window and kovrin-cli (it lives until the process ends; close the
// port before exit), wired to DebugLog, TraceByte, AcceptAnswer,
// the system clock and the process's "ReadUsb" event.
UsbLink& ProcessUsbLink();

// The USB open of the connection command, in place of ConnectPort.
bool UsbOpen();

} // namespace kovrin
