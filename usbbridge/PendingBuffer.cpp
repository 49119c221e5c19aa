#include "PendingBuffer.h"

#include <algorithm>

namespace ubrix {

void PendingBuffer::append(const std::uint8_t* data, std::size_t count) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < count && count_ < kLimit; ++i) bytes_[count_++] = data[i];
}

std::size_t PendingBuffer::take(std::uint8_t* out) {
    std::lock_guard lock(mutex_);
    const std::size_t taken = count_;
    if (taken == 0) return 0;
    std::copy_n(bytes_.begin(), taken, out);
    count_ = 0;
    bytes_.fill(0);
    return taken;
}

} // namespace ubrix
