# 64-bit Windows: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake
set(KOVRIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(KOVRIN_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-w64.cmake)
