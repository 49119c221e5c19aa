#pragma once
#include <string>

namespace ubrix {

// printf into a string of whatever length the text needs.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace ubrix
