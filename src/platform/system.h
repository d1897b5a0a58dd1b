// System services the program calls besides the registry: the single-instance named mutex,
// Windows Sockets start-up and name resolution, user name, OS version, tick count, sleep and the
// program's own path, with the Win32 signatures; and the desktop's proxy from the environment.
//
// inet_addr and gethostbyname exist in glibc under the same names with other types, so the program
// calls them as platform::InetAddr and platform::GetHostByName on every system (on Windows they
// call the real ones). Everything else keeps its Win32 name.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

#ifndef _WIN32

#include <netdb.h>
#include <netinet/in.h>

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

#ifndef MAKEWORD
#define MAKEWORD(a, b) \
  ((WORD)(((BYTE)((DWORD_PTR)(a)&0xff)) | ((WORD)((BYTE)((DWORD_PTR)(b)&0xff))) << 8))
#endif
#ifndef LOBYTE
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#endif

// ---- Named mutex --------------------------------------------------------------------------

// Creates or opens the named mutex. Called at start-up with "PARLANZA_SIGNUP_RUNNING" to find a
// running copy. Returns a handle (null only on failure); afterwards GetLastError() is
// ERROR_ALREADY_EXISTS when another handle, in this or another process, already holds the name,
// else ERROR_SUCCESS. The name is a lock file "<name>.lock" in $XDG_RUNTIME_DIR, or in
// /tmp/signup-<uid> when that is unset or holds no usable lock file there (a folder, a pipe or a
// symbolic link in its place), held with flock until CloseHandle or the end of the process. Null
// with ERROR_ACCESS_DENIED, said on standard error, when neither place can hold it.
// lpName null makes an unnamed mutex. Ownership is only tracked for ReleaseMutex.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
// FALSE with ERROR_NOT_OWNER unless the handle owns the mutex.
BOOL ReleaseMutex(HANDLE hMutex);
// Closes a handle made by CreateMutexA; FALSE with ERROR_INVALID_HANDLE for anything else.
BOOL CloseHandle(HANDLE hObject);

// ---- Windows Sockets 1.1 ------------------------------------------------------------------

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
#define WSAEFAULT 10014L
#define WSAVERNOTSUPPORTED 10092L
#define WSANOTINITIALISED 10093L
#define WSAHOST_NOT_FOUND 11001L
#define SOCKET_ERROR (-1)

// The 32-bit Windows layout.
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
using LPWSADATA = WSADATA*;

// Called once at start-up with MAKEWORD(1, 1). Returns 0 and fills lpWSAData (wVersion is the
// lower of the request and 2.2, so 0x0101 for 1.1), or WSAVERNOTSUPPORTED below 1.1.
int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
// 0, or SOCKET_ERROR with WSANOTINITIALISED when there was no matching WSAStartup.
int WSACleanup();
int WSAGetLastError();

// ---- User, version, time ------------------------------------------------------------------

// The logged-on user's name (from the password database, else the login name) as CP932 text.
// *pcbBuffer: buffer size in, characters written including the zero out; when too small, FALSE
// with ERROR_INSUFFICIENT_BUFFER and the needed size in *pcbBuffer.
BOOL GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer);

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA must keep the Windows layout");

// Reports an NT-family system, version 5.1 build 2600. dwOSVersionInfoSize must be 148, else
// FALSE with ERROR_INSUFFICIENT_BUFFER.
BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);

// Milliseconds of a monotonic clock; wraps after 49.7 days like the Windows count.
DWORD GetTickCount();
// Blocks the calling thread for dwMilliseconds.
void Sleep(DWORD dwMilliseconds);

// Path of the running executable (hModule must be null; the module type of the library loader
// converts to void*), as the file system spells it. Returns its length without the zero; a short
// buffer gets the truncated, terminated path, nSize is returned and the last error is
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(void* hModule, LPSTR lpFilename, DWORD nSize);

#else

#include <winsock2.h>

// The calls that carry text take and give CP932 bytes whatever the system's code page; the
// Windows build implements them on the wide calls (platform/win32) under the names the program
// uses.
HANDLE Cp932CreateMutex(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
BOOL Cp932GetUserName(LPSTR lpBuffer, LPDWORD pcbBuffer);
DWORD Cp932GetModuleFileName(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
#define CreateMutexA Cp932CreateMutex
#define GetUserNameA Cp932GetUserName
#define GetModuleFileNameA Cp932GetModuleFileName

#endif

namespace platform {

// inet_addr: the IPv4 address of dotted text in network byte order, INADDR_NONE for anything else
// (host names, empty text). Called by the HTTP transport on the proxy host.
unsigned long InetAddr(const char* cp);
// gethostbyname: resolves an IPv4 host (on Linux through getaddrinfo). Returns a structure owned by
// the calling thread and valid until its next call, or null when the name does not resolve (the
// transport then goes direct).
struct hostent* GetHostByName(const char* name);

// ---- Command line -------------------------------------------------------------------------

// A tool's arguments after argv[0] as UTF-8, which the tools take on every system: on Linux argv
// as given; on Windows read from the wide command line, as argv is in the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// ---- Desktop proxy ------------------------------------------------------------------------

// The desktop's proxy as the environment names it, for a system whose Internet settings name
// none: the first of https_proxy, HTTPS_PROXY, http_proxy, HTTP_PROXY that gives a host. A value
// reads as "[scheme://][user:password@]host[:port][/...]"; the port is "80" when none is given.
// Returns true with host and port set, or false with both cleared.
bool ProxyFromEnvironment(std::string& host, std::string& port);

}  // namespace platform
