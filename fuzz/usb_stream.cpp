// The USB client's answer recognition on arbitrary byte streams: requests and reads in
// any order over a stand-in bridge library whose takes come from the input. A read never
// writes past its buffer, and one request never yields more than one answer.
#include "comm/Frame.h"
#include "comm/UsbLinkClient.h"
#include "comm/usb/UsbLink.h"
#include "fuzz/FuzzCheck.h"
#include "tests/usbclient/FakeUbrixHooks.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kovrin;

// Takes the input a byte or a run at a time; past the end everything reads as zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string run(std::size_t count)
    {
        count = std::min(count, size_ - at_);
        std::string out(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

struct Request {
    Frame frame;
    AnswerSizes sizes;
};

Request PickRequest(std::uint8_t choice)
{
    switch (choice % 4) {
    case 0: return {BuildRequestGI(), kAnswerGI};
    case 1: return {BuildRequestGN(), kAnswerGN};
    case 2: return {BuildRequestGM(choice / 4 % 16), kAnswerGM};
    default: return {BuildRequestSM(choice / 4 % 16, choice), kAnswerSM};
    }
}

test::FakeUbrixHooks& Hooks()
{
    static test::FakeUbrixHooks hooks{FUZZ_FAKE_UBRIX_PATH};
    return hooks;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::shared_ptr<NamedEvent> readUsb = NamedEvent::create("ReadUsb.fuzz");
    test::FakeUbrixHooks& hooks = Hooks();
    hooks.Reset();
    UsbSelected = false;
    UsbAnswerPending = false;

    FakeClock clock;
    UsbLinkServices services;
    services.log = [](std::string_view) {};
    services.trace = [](std::uint8_t, int) {};
    services.accept = AcceptAnswer;
    services.clock = &clock;
    services.readUsb = readUsb;
    // The real deadlines, polled in coarse steps: 12 takes to the answer wait, not 600.
    services.limits.pollPause = std::chrono::milliseconds(250);
    readUsb->reset();
    UsbLink link(services);
    FUZZ_CHECK(link.Open({FUZZ_FAKE_UBRIX_PATH, false, ""}), "the stand-in library did not open");

    Input in(data, size);
    bool sent = false;
    std::size_t answersSinceSend = 0;
    for (int step = 0; step < 16 && !in.done(); ++step) {
        const std::uint8_t op = in.byte();
        const Request request = PickRequest(in.byte());
        if (op & 1) {
            link.Send(request.frame.data(), request.frame.size());
            sent = true;
            answersSinceSend = 0;
        }
        // What the library will deliver: up to three takes, with or without pauses.
        const int takes = op >> 1 & 3;
        for (int t = 0; t < takes; ++t) {
            const std::size_t length = in.byte() % 2 == 0 ? in.byte() : std::size_t{in.byte()} * 8;
            hooks.QueueTake(in.run(std::min<std::size_t>(length, kUsbTakeSize)));
            // Quiet polls between takes, 250 ms each: around the 1000 ms quiet wait.
            if (op & 0x40)
                for (int quiet = in.byte() % 8; quiet > 0; --quiet)
                    hooks.QueueTake({});
        }
        const std::size_t capacity = 1 + in.byte() % 96;
        std::vector<std::uint8_t> buffer(capacity);
        std::size_t received = 0;
        const std::size_t answersBefore = CountOf(hooks.Calls(), "Request(0);");
        const bool ok = link.Read(buffer.data(), buffer.size(), received, request.sizes.expected,
                                  request.sizes.alternative);
        const std::size_t answers = CountOf(hooks.Calls(), "Request(0);") - answersBefore;
        FUZZ_CHECK(received <= capacity, "read past the buffer");
        answersSinceSend += answers;
        FUZZ_CHECK(!sent || answersSinceSend <= 1, "more than one answer for one request");
        if (ok)
            FUZZ_CHECK(received == request.sizes.expected || received == request.sizes.alternative,
                       "accepted an answer of the wrong size");
    }
    link.Close();
    UsbSelected = false;
    UsbAnswerPending = false;
    return 0;
}
