#pragma once
#include <string>

// mingw's C++ runtime formats the GNU way (%zu and the like), not as the system's printf.
#if defined(__MINGW32__)
#define UBRIX_PRINTF_LIKE(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define UBRIX_PRINTF_LIKE(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

namespace ubrix {

// printf into a string of whatever length the text needs.
std::string format(const char* fmt, ...) UBRIX_PRINTF_LIKE(1, 2);

} // namespace ubrix
