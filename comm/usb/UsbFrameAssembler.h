#pragma once
// Finds the switch's answer in the byte stream the bridge library delivers: an answer
// starts at 0x02 followed by a byte above 32 and ends at 0x03. At most one answer is
// recognised per request, because only a send re-arms the recogniser.
#include <array>
#include <cstddef>
#include <cstdint>

namespace kovrin {

class UsbFrameAssembler {
public:
    // A request went out: the next answer may be recognised.
    void Arm() { frameCount_ = 0; }
    // Back to the start state (nothing armed is lost: a fresh assembler is armed).
    void Reset() { *this = UsbFrameAssembler{}; }

    // One received byte; true when it is the end byte of the answer in progress.
    bool Step(std::uint8_t b);

    bool InFrame() const { return inFrame_; }
    std::size_t FrameByteCount() const { return frameCount_; }

private:
    std::array<std::uint8_t, 6> window_{};  // the last six bytes, oldest first
    bool inFrame_ = false;
    std::size_t frameCount_ = 0;
};

} // namespace kovrin
