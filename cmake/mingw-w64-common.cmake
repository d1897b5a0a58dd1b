# What the two MinGW-w64 toolchain files share: Debian's cross compilers of the posix thread
# model (for std::thread) named by SIGNUP_MINGW_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${SIGNUP_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SIGNUP_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SIGNUP_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SIGNUP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry their C and C++ run-time libraries, so a bare Windows (or Wine) runs them
# without the toolchain's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
