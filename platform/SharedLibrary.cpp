#include "platform/SharedLibrary.h"

#include <utility>

namespace kovrin {

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      errorCode_(other.errorCode_),
      errorText_(std::move(other.errorText_))
{
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other) {
        unload();
        handle_ = std::exchange(other.handle_, nullptr);
        errorCode_ = other.errorCode_;
        errorText_ = std::move(other.errorText_);
    }
    return *this;
}

} // namespace kovrin
