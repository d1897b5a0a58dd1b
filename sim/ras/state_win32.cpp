// The state directory, its lock and atomic file replacement on Windows (LockFileEx,
// MoveFileEx). Paths are the test's own ASCII folders, so the ANSI calls serve.
#include <windows.h>

#include <cstdlib>

#include "state.h"

namespace rassim {

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteAtomically(const std::string& path, const std::string& data) {
  std::string temp = path + ".tmp" + std::to_string(GetCurrentProcessId());
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = data.empty() ||
            (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
             written == data.size());
  ok = CloseHandle(file) && ok;
  if (!ok || !MoveFileExA(temp.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

std::string StateDir() {
  std::string dir;
  if (const char* d = std::getenv("RASSIM_DIR"); d != nullptr && *d != '\0') {
    dir = d;
  } else {
    char temp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof temp, temp);
    dir = std::string(temp, n > 0 && n < sizeof temp ? n : 0) + "rassim";
  }
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

Lock::Lock(const std::string& dir) {
  HANDLE file = CreateFileA((dir + "/.lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // Waits for the holder in this or another process; the lock goes with the handle.
  OVERLAPPED at{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    CloseHandle(file);
    return;
  }
  file_ = reinterpret_cast<intptr_t>(file);
}

Lock::~Lock() {
  if (file_ == kNoFile) return;
  HANDLE file = reinterpret_cast<HANDLE>(file_);
  OVERLAPPED at{};
  UnlockFileEx(file, 0, 1, 0, &at);
  CloseHandle(file);
}

}  // namespace rassim
