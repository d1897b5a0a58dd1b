// Linux implementation of the run-time library loader in library.h, on dlopen/dlsym/dlclose.
#include "platform/library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/read_file.h"

namespace {

bool EqualsIgnoreCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return i == a.size() && b[i] == '\0';
}

std::string ExecutableDir() {
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  buf.resize(static_cast<size_t>(n));
  size_t slash = buf.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : buf.substr(0, slash);
}

// A path dlopen uses as is: with a '/', so it never searches LD_LIBRARY_PATH or the system
// folders for a library of the same name.
std::string AsPath(const std::string& path) {
  return path.find('/') == std::string::npos ? "./" + path : path;
}

std::string ToLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// dlopen reads the file whatever it is: a pipe would hold the program before any window shows.
void* Open(const std::string& path) {
  if (!platform::IsRegularOrAbsent(path)) return nullptr;
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
  if (lpLibFileName == nullptr || *lpLibFileName == '\0') {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::string name = lpLibFileName;
  void* handle = nullptr;
  if (EqualsIgnoreCase(name, "rasapi32.dll")) {
    const char* chosen = std::getenv("SIGNUP_RASAPI32");
    const std::string path =
        chosen != nullptr && *chosen != '\0' ? AsPath(chosen) : ExecutableDir() + "/rasapi32.so";
    if (!platform::IsRegularOrAbsent(path)) platform::ReportRefusedFile("SIGNUP_RASAPI32", path);
    handle = Open(path);
  } else if (name.find('/') != std::string::npos) {
    handle = Open(name);
  } else {
    std::string base = name;
    if (base.size() > 4 && EqualsIgnoreCase(base.substr(base.size() - 4), ".dll"))
      base.resize(base.size() - 4);
    std::string dir = ExecutableDir();
    handle = Open(dir + "/" + base + ".so");
    if (handle == nullptr && ToLower(base) != base)
      handle = Open(dir + "/" + ToLower(base) + ".so");
  }
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (hModule == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (lpProcName == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(static_cast<void*>(hModule), lpProcName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE hLibModule) {
  if (hLibModule == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (dlclose(static_cast<void*>(hLibModule)) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
