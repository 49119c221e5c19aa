#include "comm/usb/UsbFrameAssembler.h"

#include <algorithm>

namespace kovrin {

namespace {
constexpr std::uint8_t kStart = 0x02;
constexpr std::uint8_t kEnd = 0x03;
constexpr std::uint8_t kBlank = 0x20;
} // namespace

bool UsbFrameAssembler::Step(std::uint8_t b)
{
    std::shift_left(window_.begin(), window_.end(), 1);
    window_.back() = b;

    const std::uint8_t before = window_[window_.size() - 2];
    if (!inFrame_ && frameCount_ == 0 && b > kBlank && before == kStart) {
        inFrame_ = true;
        frameCount_ = 1;  // the start byte
    }
    if (!inFrame_)
        return false;
    ++frameCount_;
    if (b != kEnd)
        return false;
    inFrame_ = false;
    window_.fill(0);
    return true;
}

} // namespace kovrin
