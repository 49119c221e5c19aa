#pragma once
// The operations through which the transfers talk to the switch, whichever link carries
// them. Each returns true on success; failures are logged, never shown.
#include <cstddef>
#include <cstdint>

namespace kovrin {

class LinkOperations {
public:
    virtual ~LinkOperations() = default;
    // Discards everything pending in both directions.
    virtual bool FreeBuffer() = 0;
    // Sends one request frame.
    virtual bool WriteBuffer(const std::uint8_t* frame, std::size_t count) = 0;
    // Reads one answer into `buffer` (at most `capacity` bytes) and judges it by the two
    // sizes allowed for the request (AcceptAnswer). `received` is set even on failure.
    virtual bool ReadBuffer(std::uint8_t* buffer, std::size_t capacity, std::size_t& received,
                            std::size_t expected, std::size_t alternative) = 0;
};

} // namespace kovrin
