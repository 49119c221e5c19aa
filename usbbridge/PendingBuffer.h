#pragma once
// Bytes received from the switch and not yet taken by the client. The reader appends and
// the client takes under one lock, so no byte is lost or delivered twice.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace ubrix {

class PendingBuffer {
public:
    static constexpr std::size_t kSize = 1200;
    static constexpr std::size_t kLimit = 1199;

    // Appends in order; bytes that find the buffer at kLimit are dropped.
    void append(const std::uint8_t* data, std::size_t count);
    // Moves every pending byte into out (room for kLimit) and returns their number.
    std::size_t take(std::uint8_t* out);

private:
    std::mutex mutex_;
    std::array<std::uint8_t, kSize> bytes_{};
    std::size_t count_ = 0;
};

} // namespace ubrix
