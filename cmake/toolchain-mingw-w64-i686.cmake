# 32-bit Windows (the 32-bit ubrix.dll): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-i686.cmake
set(KOVRIN_MINGW_TRIPLE i686-w64-mingw32)
set(KOVRIN_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
