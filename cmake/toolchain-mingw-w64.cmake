# Cross-build for Windows with Debian's mingw-w64 (posix thread model, so std::thread and
# std::jthread work). Included by the per-architecture files, which set KOVRIN_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KOVRIN_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${KOVRIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOVRIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KOVRIN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOVRIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libgcc, libstdc++, winpthread) linked in: every .exe and the .dll run
# without companion DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine on the build machine: Debian's 64-bit loader itself, since
# the `wine` launcher prefers a 32-bit loader when one is installed, and that cannot run
# 64-bit programs (nor anything, on a kernel without 32-bit support).
find_program(KOVRIN_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KOVRIN_WINE NAMES wine64 wine)
if(KOVRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KOVRIN_WINE})
endif()
