# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, for the Wine tests on a machine
# that cannot run 32-bit programs: `cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake`.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SIGNUP_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
