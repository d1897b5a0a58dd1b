// Loading libcurl and OpenSSL when the first WinInet call needs them: the shared objects opened
// with dlopen, their functions resolved from one list, libcurl set up once per process.
#include "platform/posix/wininet_libraries.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>

namespace platform::wininet {
namespace {

// The table a test chose in place of the system's libraries, or null.
std::atomic<const NetApi*> g_chosen{nullptr};

// Types the symbol with the function's own prototype; false when the object does not export it.
template <class Fn>
bool Resolve(void* object, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(dlsym(object, name));
  return fn != nullptr;
}

std::array<std::string, kNetLibraryCount> SystemNames() {
  std::array<std::string, kNetLibraryCount> names;
  for (size_t i = 0; i < kNetLibraryCount; ++i) names[i] = kNetLibrarySonames[i];
  return names;
}

}  // namespace

NetApi::NetApi(const std::array<std::string, kNetLibraryCount>& names) {
  error_ = Load(names);
  if (error_ == ERROR_SUCCESS) return;
    // An unusable table keeps nothing loaded and nothing to call.
#define SIGNUP_NET_FORGET(library, name) name = nullptr;
  SIGNUP_NET_ENTRY_POINTS(SIGNUP_NET_FORGET)
#undef SIGNUP_NET_FORGET
  for (void*& object : objects_) {
    if (object != nullptr) dlclose(object);
    object = nullptr;
  }
}

NetApi::~NetApi() {
  if (error_ == ERROR_SUCCESS) curl_global_cleanup();
  for (void* object : objects_)
    if (object != nullptr) dlclose(object);
}

DWORD NetApi::Load(const std::array<std::string, kNetLibraryCount>& names) {
  for (size_t i = 0; i < kNetLibraryCount; ++i) {
    objects_[i] = dlopen(names[i].c_str(), RTLD_NOW | RTLD_LOCAL);
    if (objects_[i] == nullptr) return ERROR_MOD_NOT_FOUND;
  }
  bool complete = true;
#define SIGNUP_NET_RESOLVE(library, name) \
  complete = Resolve(objects_[library], #name, name) && complete;
  SIGNUP_NET_ENTRY_POINTS(SIGNUP_NET_RESOLVE)
#undef SIGNUP_NET_RESOLVE
  if (!complete) return ERROR_PROC_NOT_FOUND;
  // The certificate-date hook works on OpenSSL's objects: another TLS back end cannot take it.
  const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
  if (version == nullptr || version->ssl_version == nullptr ||
      std::strncmp(version->ssl_version, "OpenSSL/", 8) != 0)
    return ERROR_PROC_NOT_FOUND;
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return ERROR_INTERNET_INTERNAL_ERROR;
  return ERROR_SUCCESS;
}

const NetApi& Net() {
  if (const NetApi* chosen = g_chosen.load(std::memory_order_acquire)) return *chosen;
  // Loaded by the first caller while any others wait, then kept until the process ends: libcurl
  // and OpenSSL are not made to be unloaded while exit handlers may still reach them.
  static const NetApi* const system = new NetApi(SystemNames());
  return *system;
}

ScopedNetLibraries::ScopedNetLibraries(const std::array<std::string, kNetLibraryCount>& names)
    : api_(std::make_unique<NetApi>(names)), previous_(g_chosen.exchange(api_.get())) {}

ScopedNetLibraries::~ScopedNetLibraries() { g_chosen.store(previous_); }

}  // namespace platform::wininet
