// POSIX implementation of the system services in platform/system.h.
#include "platform/system.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/codepage.h"

namespace {

// ---- Named mutex ----

// A mutex handle. fd >= 0 while the handle holds the name's lock file.
struct MutexObject {
  int fd = -1;
  bool owned = false;
};

std::mutex g_objectsMutex;
std::unordered_set<MutexObject*>& Objects() {
  static std::unordered_set<MutexObject*> objects;
  return objects;
}

// The private folder in /tmp; empty when that folder is not safely ours.
std::string PrivateTmpDir() {
  std::string dir = "/tmp/signup-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return {};
  return dir;
}

// Where a lock file may be, in order: $XDG_RUNTIME_DIR, then the private folder in /tmp.
std::vector<std::string> LockDirs() {
  std::vector<std::string> dirs;
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg == '/') dirs.push_back(xdg);
  if (std::string tmp = PrivateTmpDir(); !tmp.empty() && (dirs.empty() || dirs[0] != tmp))
    dirs.push_back(tmp);
  return dirs;
}

enum class Lock { kTaken, kHeld, kUnusable };

// Takes the lock file `path`: only a regular file of this user, never through a symbolic link,
// so that a planted folder, pipe or link can neither hold the lock nor take it away.
Lock TakeLock(const std::string& path, int& fd) {
  fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return Lock::kUnusable;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) {
    close(fd);
    fd = -1;
    return Lock::kUnusable;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return Lock::kTaken;
  const bool held = errno == EWOULDBLOCK;
  close(fd);
  fd = -1;
  return held ? Lock::kHeld : Lock::kUnusable;
}

// A name may carry a namespace ("Global\...") or other characters that cannot be in a file name.
std::string LockFileName(const char* name) {
  std::string file(name);
  for (char& c : file) {
    if (c == '/' || c == '\\') c = '_';
  }
  return file + ".lock";
}

// ---- Windows Sockets ----

std::atomic<int> g_wsaStarted{0};

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
  auto object = std::make_unique<MutexObject>();
  DWORD result = ERROR_SUCCESS;
  if (lpName != nullptr && *lpName != '\0') {
    // The lock is per open file, so a second handle in this process conflicts as well. A place
    // where no lock can be made (a missing runtime folder, a folder or pipe in the file's place)
    // hands over to the next, so that the check is not lost without a word.
    Lock lock = Lock::kUnusable;
    std::string tried;
    for (const std::string& dir : LockDirs()) {
      const std::string path = dir + "/" + LockFileName(lpName);
      tried += (tried.empty() ? "" : ", ") + path;
      lock = TakeLock(path, object->fd);
      if (lock != Lock::kUnusable) break;
    }
    if (lock == Lock::kUnusable) {
      std::fprintf(stderr,
                   "signup: no lock file can be made (%s): a second copy would not be noticed\n",
                   tried.empty() ? "no private folder" : tried.c_str());
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    if (lock == Lock::kHeld) result = ERROR_ALREADY_EXISTS;
  }
  object->owned = bInitialOwner && result != ERROR_ALREADY_EXISTS;
  MutexObject* raw = object.release();
  {
    std::lock_guard lock(g_objectsMutex);
    Objects().insert(raw);
  }
  SetLastError(result);
  return raw;
}

BOOL ReleaseMutex(HANDLE hMutex) {
  std::lock_guard lock(g_objectsMutex);
  auto it = Objects().find(static_cast<MutexObject*>(hMutex));
  if (it == Objects().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(*it)->owned) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  (*it)->owned = false;
  return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
  MutexObject* object = static_cast<MutexObject*>(hObject);
  {
    std::lock_guard lock(g_objectsMutex);
    if (Objects().erase(object) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  // Closing the descriptor drops the flock, so the name is free again.
  if (object->fd >= 0) close(object->fd);
  delete object;
  return TRUE;
}

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  if (lpWSAData == nullptr) return WSAEFAULT;
  std::memset(lpWSAData, 0, sizeof *lpWSAData);
  lpWSAData->wHighVersion = MAKEWORD(2, 2);
  BYTE major = LOBYTE(wVersionRequested);
  BYTE minor = HIBYTE(wVersionRequested);
  if (major < 1 || (major == 1 && minor < 1)) {
    lpWSAData->wVersion = MAKEWORD(2, 2);
    return WSAVERNOTSUPPORTED;
  }
  lpWSAData->wVersion =
      (major > 2 || (major == 2 && minor > 2)) ? MAKEWORD(2, 2) : wVersionRequested;
  std::strcpy(lpWSAData->szDescription, "POSIX sockets");
  std::strcpy(lpWSAData->szSystemStatus, "Running");
  lpWSAData->iMaxSockets = 32767;
  lpWSAData->iMaxUdpDg = 65467;
  ++g_wsaStarted;
  return 0;
}

int WSACleanup() {
  int started = g_wsaStarted.load();
  while (started > 0 && !g_wsaStarted.compare_exchange_weak(started, started - 1)) {
  }
  if (started <= 0) {
    SetLastError(WSANOTINITIALISED);
    return SOCKET_ERROR;
  }
  return 0;
}

int WSAGetLastError() { return static_cast<int>(GetLastError()); }

namespace platform {

unsigned long InetAddr(const char* cp) {
  if (cp == nullptr) return INADDR_NONE;
  in_addr_t addr = ::inet_addr(cp);
  return static_cast<unsigned long>(addr);
}

struct hostent* GetHostByName(const char* name) {
  // Winsock keeps one result per thread; so do we.
  struct Result {
    hostent entry{};
    std::string name;
    std::vector<in_addr> addresses;
    std::vector<char*> list;
    char* noAliases[1] = {nullptr};
  };
  thread_local Result result;
  if (name == nullptr || *name == '\0') {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  result.name = found->ai_canonname ? found->ai_canonname : name;
  result.addresses.clear();
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET) continue;
    in_addr addr = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr;
    bool seen = false;
    for (const in_addr& known : result.addresses) seen = seen || known.s_addr == addr.s_addr;
    if (!seen) result.addresses.push_back(addr);
  }
  freeaddrinfo(found);
  if (result.addresses.empty()) {
    SetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  result.list.clear();
  for (in_addr& a : result.addresses) result.list.push_back(reinterpret_cast<char*>(&a));
  result.list.push_back(nullptr);
  result.entry.h_name = result.name.data();
  result.entry.h_aliases = result.noAliases;
  result.entry.h_addrtype = AF_INET;
  result.entry.h_length = sizeof(in_addr);
  result.entry.h_addr_list = result.list.data();
  return &result.entry;
}

}  // namespace platform

BOOL GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
  if (pcbBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name;
  long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(bufferSize > 0 ? static_cast<size_t>(bufferSize) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name) {
    name = found->pw_name;
  } else if (const char* login = getlogin(); login && *login) {
    name = login;
  } else if (const char* user = std::getenv("USER"); user && *user) {
    name = user;
  } else {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  name = platform::Utf8ToAnsi(name);
  DWORD needed = static_cast<DWORD>(name.size() + 1);
  if (lpBuffer == nullptr || *pcbBuffer < needed) {
    *pcbBuffer = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(lpBuffer, name.c_str(), needed);
  *pcbBuffer = needed;
  return TRUE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (lpVersionInformation == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  lpVersionInformation->dwMajorVersion = 5;
  lpVersionInformation->dwMinorVersion = 1;
  lpVersionInformation->dwBuildNumber = 2600;
  lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  return TRUE;
}

DWORD GetTickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);
}

void Sleep(DWORD dwMilliseconds) {
  timespec left{static_cast<time_t>(dwMilliseconds / 1000),
                static_cast<long>(dwMilliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

DWORD GetModuleFileNameA(void* hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule != nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof path) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (lpFilename == nullptr || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD length = static_cast<DWORD>(n);
  if (length >= nSize) {
    std::memcpy(lpFilename, path, nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, path, length);
  lpFilename[length] = '\0';
  SetLastError(ERROR_SUCCESS);
  return length;
}
