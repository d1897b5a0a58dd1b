// Loading a library at run time and resolving its functions by name (LoadLibraryA, GetProcAddress,
// FreeLibrary), so that an optional system library may be absent without the program failing.
#pragma once

#include "platform/win32.h"

#ifndef _WIN32

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
// A resolved function; the caller casts it to the function's real pointer type. Declared without
// a result (Windows has INT_PTR) because the compilers treat void (*)() as the generic function
// pointer, so that cast needs no warning suppression.
using FARPROC = void (*)();

// Called by whoever needs an optional library. "rasapi32.dll" (any letter case) is the dial-up
// library: the shared object named by the environment variable SIGNUP_RASAPI32 when it is set,
// else rasapi32.so beside the executable. Any other "name.dll" is name.so beside the executable;
// a name with a '/' is used as a path. Returns null on failure with the last error set to
// ERROR_MOD_NOT_FOUND. Every successful call must be balanced by FreeLibrary.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);

// Called with a handle from LoadLibraryA. Returns the exported function, or null with the last
// error set to ERROR_PROC_NOT_FOUND (ERROR_INVALID_HANDLE for a null handle).
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);

// Releases a handle from LoadLibraryA; the library is unloaded when its last handle goes.
// Returns TRUE, or FALSE with the last error set (ERROR_INVALID_HANDLE for a null handle).
BOOL FreeLibrary(HMODULE hLibModule);

#else

// The library's file name is CP932 text. "rasapi32.dll" is the file SIGNUP_RASAPI32 names when
// that is set, else the system's search finds it as usual.
HMODULE Cp932LoadLibrary(LPCSTR lpLibFileName);
#define LoadLibraryA Cp932LoadLibrary

#endif
