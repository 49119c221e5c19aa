#include "comm/usb/UsbLink.h"

#include "platform/WaitHook.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

namespace kovrin {

namespace {

constexpr int kTraceSentByte = 1;
constexpr int kTraceFlushLine = 2;

const char* OpenFailureEnding(unsigned code)
{
    switch (code) {
    case 81: return " - USB.DLL not found or cannot to load] ! \n ";
    case 82: return " - USB.DLL is bad] ! \n ";
    case 91: return " - USB port not found or cannot to open] ! \n ";
    case 98: return " - USB adapter is not connected] ! \n ";
    default: return "] ! \n ";
    }
}

} // namespace

UsbLink::UsbLink(UsbLinkServices services)
    : services_(std::move(services)), library_(services_.log)
{
}

UsbLink::~UsbLink()
{
    // A link destroyed while open still closes the library before it is released.
    if (library_.Bound())
        Unload();
}

bool UsbLink::Open(const UsbOpenSettings& settings)
{
    int code = library_.Load(settings.libraryPath);
    if (code == 0) {
        UsbSelected = true;
        SetUsbLinkClient(this);
        const auto traceSwitch = static_cast<unsigned char>(settings.debugMode ? 1 : 0);
        code = library_.Init(traceSwitch, traceSwitch, settings.tracePath.c_str());
    }
    const auto code16 = static_cast<std::uint16_t>(code);
    if (code16 != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "\n Cannot open USB communication [Error: %u", unsigned{code16});
        services_.log(std::string(line) + OpenFailureEnding(code16));
        opened_ = 0;
    } else {
        opened_ = 1;
    }
    return UsbSelected;
}

void UsbLink::Send(const std::uint8_t* frame, std::size_t size)
{
    services_.trace(0, kTraceFlushLine);
    services_.log(" OutS- ");
    assembler_.Arm();
    sentAt_ = services_.clock->now();

    if (size > kUsbMaxFrame) {
        // Nothing goes out, so no answer is awaited and the read fails at once.
        char line[80];
        std::snprintf(line, sizeof line, "\n USB Error: frame of %zu bytes, at most %zu fit\n", size, kUsbMaxFrame);
        services_.log(line);
        return;
    }
    std::array<char, kUsbSendBufferSize> packet{};
    for (std::size_t i = 0; i < size; ++i) {
        packet[i] = static_cast<char>(frame[i]);
        services_.trace(frame[i], kTraceSentByte);
    }
    services_.log(" OutS1- ");
    library_.Send(packet.data(), static_cast<int>(packet.size()));
    services_.log(" -OutS2 ");
    // The library's pacing made the send take its time: the answer's wait starts now.
    sentAt_ = services_.clock->now();
    if (AskOpened() == 1) {
        services_.log(" -OutS3 ");
        UsbAnswerPending = true;
        library_.Request(1);
    }
    services_.log(" -OutE ");
}

bool UsbLink::Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& received, std::size_t expected,
                   std::size_t alternative)
{
    std::memset(buffer, 0, std::min<std::size_t>(4, capacity));
    received = 0;

    Clock& clock = *services_.clock;
    const UsbReadLimits& limits = services_.limits;
    const Clock::TimePoint from = sentAt_.value_or(clock.now());
    sentAt_.reset();
    const Clock::TimePoint latest = from + limits.longestWait;
    Clock::TimePoint deadline = from + limits.answerWait;

    std::array<char, kUsbTakeSize> take{};
    bool complete = false;
    Clock::TimePoint lastArrival = from;
    Clock::TimePoint hookedAt = clock.now();
    while (!services_.readUsb->waitFor(std::chrono::milliseconds(0))) {
        // A trickling answer holds the read up to `longestWait`: the window's queue is
        // read meanwhile.
        if (clock.now() - hookedAt >= kWaitHookSlice) {
            RunWaitHook();
            hookedAt = clock.now();
        }
        take.fill(0);
        const int count = std::min(library_.Take(take.data()), static_cast<int>(take.size()));
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                const auto b = static_cast<std::uint8_t>(take[static_cast<std::size_t>(i)]);
                if (received < capacity)
                    buffer[received++] = b;
                if (assembler_.Step(b)) {
                    complete = true;
                    AnswerComplete();
                }
            }
            lastArrival = clock.now();
            deadline = std::clamp(lastArrival + limits.quietWait, deadline, latest);
            continue;
        }
        const Clock::TimePoint now = clock.now();
        if (now >= deadline)
            break;
        const bool idle = now - lastArrival >= limits.idleAfter;
        const auto left = std::chrono::ceil<Clock::Ms>(deadline - now);
        clock.sleepFor(std::min(idle ? limits.idlePollPause : limits.pollPause, left));
    }
    if (!complete) {
        char line[96];
        std::snprintf(line, sizeof line, "\n USB Error: no complete answer in time [%zu bytes]\n", received);
        services_.log(line);
    }
    services_.readUsb->reset();
    // A read that ran out of time fails whatever the bytes look like; AcceptAnswer still
    // traces them and logs how many came.
    const bool accepted = services_.accept(buffer, received, expected, alternative);
    return accepted && complete;
}

void UsbLink::AnswerComplete()
{
    if (UsbSelected) {
        UsbAnswerPending = false;
        library_.Request(0);
    }
    services_.readUsb->set();
}

void UsbLink::Close()
{
    // No answer can be awaited on a closed link; a stale flag would make the next
    // connection's first read wait for an answer that was never asked for.
    UsbAnswerPending = false;
    assembler_.Reset();
    if (CloseLibrary(0) == 0)
        Unload();
}

void UsbLink::Unload()
{
    if (opened_ == 1)
        CloseLibrary(0);
    library_.Release();
    if (GetUsbLinkClient() == this)
        SetUsbLinkClient(nullptr);
}

int UsbLink::CloseLibrary(int keep)
{
    if (keep == 0)
        UsbSelected = false;
    const int result = library_.Close(keep);
    opened_ = 0;
    return result;
}

int UsbLink::AskOpened()
{
    opened_ = library_.Opened();
    return opened_;
}

} // namespace kovrin
