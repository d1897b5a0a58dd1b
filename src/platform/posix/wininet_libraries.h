// The libcurl and OpenSSL functions behind the WinInet calls on Linux, resolved from the shared
// objects when the first call needs them rather than linked into the program: the start page
// makes no request, and loading them with their dependencies before main costs start-up time and
// memory.
//
// A missing or incomplete library is a state the WinInet calls report, never a crash. The last
// error is then what the Windows loader gives for the same situation:
//   ERROR_MOD_NOT_FOUND (126)  a shared object is not installed or cannot be loaded;
//   ERROR_PROC_NOT_FOUND (127) one is there but lacks a function, or libcurl is not built on
//                              OpenSSL (its certificate hook hands us OpenSSL's objects).
// Both name the cause, a missing component, where WinInet's own ERROR_INTERNET_INTERNAL_ERROR
// would suggest a fault of the program; the wizard shows the number with its failure message.
#pragma once

#include <curl/curl.h>
#include <openssl/crypto.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <memory>
#include <string>

#include "platform/wininet.h"

namespace platform::wininet {

// The shared objects, in the order of kNetLibrarySonames.
enum NetLibrary { kCurl, kSsl, kCrypto, kNetLibraryCount };

// The sonames of the three libraries as the system ships them. libssl and libcrypto are those
// libcurl itself loads, so the objects its certificate hook passes are theirs.
inline constexpr std::array<const char*, kNetLibraryCount> kNetLibrarySonames = {
    "libcurl.so.4", "libssl.so.3", "libcrypto.so.3"};

// Every function the transfer calls, with the library that exports it. Each becomes a member of
// NetApi of the same name, typed after the library's own prototype. SSL_CTX_get_ex_new_index is
// a macro over CRYPTO_get_ex_new_index.
#define SIGNUP_NET_ENTRY_POINTS(X)            \
  X(kCurl, curl_global_init)                  \
  X(kCurl, curl_global_cleanup)               \
  X(kCurl, curl_version_info)                 \
  X(kCurl, curl_easy_init)                    \
  X(kCurl, curl_easy_cleanup)                 \
  X(kCurl, curl_easy_setopt)                  \
  X(kCurl, curl_easy_getinfo)                 \
  X(kCurl, curl_easy_pause)                   \
  X(kCurl, curl_multi_init)                   \
  X(kCurl, curl_multi_cleanup)                \
  X(kCurl, curl_multi_add_handle)             \
  X(kCurl, curl_multi_remove_handle)          \
  X(kCurl, curl_multi_perform)                \
  X(kCurl, curl_multi_info_read)              \
  X(kCurl, curl_multi_poll)                   \
  X(kCurl, curl_multi_wakeup)                 \
  X(kCurl, curl_slist_append)                 \
  X(kCurl, curl_slist_free_all)               \
  X(kSsl, SSL_CTX_set_ex_data)                \
  X(kSsl, SSL_CTX_get_ex_data)                \
  X(kSsl, SSL_CTX_set_verify)                 \
  X(kSsl, SSL_CTX_get_verify_mode)            \
  X(kSsl, SSL_get_SSL_CTX)                    \
  X(kSsl, SSL_get_ex_data_X509_STORE_CTX_idx) \
  X(kCrypto, CRYPTO_get_ex_new_index)         \
  X(kCrypto, X509_STORE_CTX_get_error)        \
  X(kCrypto, X509_STORE_CTX_set_error)        \
  X(kCrypto, X509_STORE_CTX_get_ex_data)

// The resolved functions of one set of shared objects, with libcurl set up.
class NetApi {
 public:
  // Loads the shared objects (file names or paths, as dlopen takes them), resolves every
  // function and sets libcurl up (curl_global_init, which counts its calls). Nothing is reported
  // beyond error(); no function may be called through the table unless it is ERROR_SUCCESS.
  explicit NetApi(const std::array<std::string, kNetLibraryCount>& names);
  // Balances the set-up and releases the shared objects.
  ~NetApi();
  NetApi(const NetApi&) = delete;
  NetApi& operator=(const NetApi&) = delete;

  // ERROR_SUCCESS, ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND (see the top of this file), or
  // ERROR_INTERNET_INTERNAL_ERROR when libcurl's set-up failed.
  DWORD error() const { return error_; }

#define SIGNUP_NET_DECLARE(library, name) decltype(&::name) name = nullptr;
  SIGNUP_NET_ENTRY_POINTS(SIGNUP_NET_DECLARE)
#undef SIGNUP_NET_DECLARE

 private:
  DWORD Load(const std::array<std::string, kNetLibraryCount>& names);

  std::array<void*, kNetLibraryCount> objects_{};
  DWORD error_ = ERROR_SUCCESS;
};

// The process's functions: the system's libraries, loaded and set up (curl_global_init) by the
// first call from whichever thread, once; later calls return the same table. Check error()
// before calling through it.
const NetApi& Net();

// Tests: the WinInet calls use the functions of the named shared objects instead while this
// lives, to show how a missing or incomplete library is reported. No request may outlive it.
class ScopedNetLibraries {
 public:
  explicit ScopedNetLibraries(const std::array<std::string, kNetLibraryCount>& names);
  ~ScopedNetLibraries();
  ScopedNetLibraries(const ScopedNetLibraries&) = delete;
  ScopedNetLibraries& operator=(const ScopedNetLibraries&) = delete;

 private:
  std::unique_ptr<NetApi> api_;
  const NetApi* previous_;
};

}  // namespace platform::wininet
