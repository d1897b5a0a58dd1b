# Cross-compiling for 32-bit Windows, the program as shipped, with Debian's MinGW-w64:
# `cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake`.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SIGNUP_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
