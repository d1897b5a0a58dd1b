// Windows implementation of the WinInet calls in wininet.h that carry text: the wide calls of
// wininet.dll, with the program's CP932 text converted at the edge and the ANSI calls' buffer
// sizes kept. Bodies and numbers pass through untouched.
#include "platform/wininet.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/text.h"

using platform::win32::Ansi;
using platform::win32::CopyAnsiOut;
using platform::win32::Wide;
using platform::win32::WideArg;

namespace {

// Options whose value is text.
bool IsTextOption(DWORD option) {
  switch (option) {
    case INTERNET_OPTION_USERNAME:
    case INTERNET_OPTION_PASSWORD:
    case INTERNET_OPTION_USER_AGENT:
    case INTERNET_OPTION_PROXY_USERNAME:
    case INTERNET_OPTION_PROXY_PASSWORD:
    case INTERNET_OPTION_URL:
      return true;
    default:
      return false;
  }
}

bool IsTimeout(DWORD option) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_DATA_SEND_TIMEOUT:
    case INTERNET_OPTION_DATA_RECEIVE_TIMEOUT:
      return true;
    default:
      return false;
  }
}

// The time-outs set on each open handle, handed down to the handles opened below it.
class Timeouts {
 public:
  void Set(HINTERNET handle, DWORD option, DWORD ms) {
    std::lock_guard lock(mutex_);
    set_[handle][option] = ms;
  }
  void HandDown(HINTERNET parent, HINTERNET child) {
    if (child == nullptr) return;
    std::map<DWORD, DWORD> inherited;
    {
      std::lock_guard lock(mutex_);
      auto it = set_.find(parent);
      if (it == set_.end()) return;
      inherited = it->second;
      set_[child] = inherited;
    }
    for (auto [option, ms] : inherited) InternetSetOptionW(child, option, &ms, sizeof ms);
  }
  void Forget(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    set_.erase(handle);
  }

 private:
  std::mutex mutex_;
  std::map<HINTERNET, std::map<DWORD, DWORD>> set_;
};

Timeouts& HandedDown() {
  static Timeouts timeouts;
  return timeouts;
}

// Header text of an ANSI call: dwLength bytes, or up to the zero for (DWORD)-1.
std::wstring HeaderText(LPCSTR headers, DWORD length) {
  if (headers == nullptr) return {};
  if (length == static_cast<DWORD>(-1)) return Wide(headers);
  return Wide(std::string_view(headers, length));
}

// Runs a wide text query with a growing buffer; sizes in bytes as the wide calls count them.
template <typename Query>
bool QueryWide(Query query, std::wstring* out) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (query(buffer.data(), &size)) {
      out->assign(buffer.data(), size / sizeof(wchar_t));
      while (!out->empty() && out->back() == L'\0') out->pop_back();
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.resize(size / sizeof(wchar_t) + 1);
  }
}

}  // namespace

HINTERNET Cp932InternetOpen(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                            LPCSTR lpszProxyBypass, DWORD dwFlags) {
  return InternetOpenW(WideArg(lpszAgent).get(), dwAccessType, WideArg(lpszProxy).get(),
                       WideArg(lpszProxyBypass).get(), dwFlags);
}

HINTERNET Cp932InternetConnect(HINTERNET hInternet, LPCSTR lpszServerName,
                               INTERNET_PORT nServerPort, LPCSTR lpszUserName, LPCSTR lpszPassword,
                               DWORD dwService, DWORD dwFlags, DWORD_PTR dwContext) {
  HINTERNET connection = InternetConnectW(hInternet, WideArg(lpszServerName).get(), nServerPort,
                                          WideArg(lpszUserName).get(), WideArg(lpszPassword).get(),
                                          dwService, dwFlags, dwContext);
  HandedDown().HandDown(hInternet, connection);
  return connection;
}

HINTERNET Cp932HttpOpenRequest(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName,
                               LPCSTR lpszVersion, LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes,
                               DWORD dwFlags, DWORD_PTR dwContext) {
  std::vector<std::wstring> accept;
  std::vector<LPCWSTR> acceptList;
  if (lplpszAcceptTypes != nullptr) {
    for (LPCSTR* type = lplpszAcceptTypes; *type != nullptr; ++type) accept.push_back(Wide(*type));
    for (const std::wstring& type : accept) acceptList.push_back(type.c_str());
    acceptList.push_back(nullptr);
  }
  HINTERNET request =
      HttpOpenRequestW(hConnect, WideArg(lpszVerb).get(), WideArg(lpszObjectName).get(),
                       WideArg(lpszVersion).get(), WideArg(lpszReferrer).get(),
                       lplpszAcceptTypes ? acceptList.data() : nullptr, dwFlags, dwContext);
  HandedDown().HandDown(hConnect, request);
  return request;
}

BOOL Cp932HttpAddRequestHeaders(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                                DWORD dwModifiers) {
  const std::wstring headers = HeaderText(lpszHeaders, dwHeadersLength);
  return HttpAddRequestHeadersW(hRequest, headers.c_str(), static_cast<DWORD>(headers.size()),
                                dwModifiers);
}

BOOL Cp932HttpSendRequest(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                          LPVOID lpOptional, DWORD dwOptionalLength) {
  const std::wstring headers = HeaderText(lpszHeaders, dwHeadersLength);
  return HttpSendRequestW(hRequest, lpszHeaders ? headers.c_str() : nullptr,
                          static_cast<DWORD>(headers.size()), lpOptional, dwOptionalLength);
}

BOOL Cp932HttpQueryInfo(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer,
                        LPDWORD lpdwBufferLength, LPDWORD lpdwIndex) {
  if (lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dwInfoLevel & HTTP_QUERY_FLAG_NUMBER)
    return HttpQueryInfoW(hRequest, dwInfoLevel, lpBuffer, lpdwBufferLength, lpdwIndex);
  std::wstring text;
  if (!QueryWide(
          [&](wchar_t* buffer, DWORD* size) {
            return HttpQueryInfoW(hRequest, dwInfoLevel, buffer, size, lpdwIndex) != FALSE;
          },
          &text)) {
    return FALSE;
  }
  return CopyAnsiOut(Ansi(text), lpBuffer, lpdwBufferLength, false);
}

BOOL Cp932InternetSetOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                            DWORD dwBufferLength) {
  if (IsTextOption(dwOption) && lpBuffer != nullptr) {
    const char* text = static_cast<const char*>(lpBuffer);
    const std::wstring wide =
        Wide(dwBufferLength ? std::string_view(text, strnlen(text, dwBufferLength))
                            : std::string_view(text));
    return InternetSetOptionW(hInternet, dwOption, const_cast<wchar_t*>(wide.c_str()),
                              static_cast<DWORD>(wide.size()));
  }
  if (dwOption == INTERNET_OPTION_PROXY && lpBuffer != nullptr &&
      dwBufferLength >= sizeof(INTERNET_PROXY_INFO)) {
    const auto* info = static_cast<const INTERNET_PROXY_INFO*>(lpBuffer);
    WideArg proxy(reinterpret_cast<LPCSTR>(info->lpszProxy));
    WideArg bypass(reinterpret_cast<LPCSTR>(info->lpszProxyBypass));
    INTERNET_PROXY_INFO wide = {info->dwAccessType,
                                reinterpret_cast<decltype(wide.lpszProxy)>(proxy.get()),
                                reinterpret_cast<decltype(wide.lpszProxyBypass)>(bypass.get())};
    return InternetSetOptionW(hInternet, dwOption, &wide, sizeof wide);
  }
  const BOOL set = InternetSetOptionW(hInternet, dwOption, lpBuffer, dwBufferLength);
  if (set && hInternet != nullptr && IsTimeout(dwOption) && lpBuffer != nullptr &&
      dwBufferLength >= sizeof(DWORD)) {
    HandedDown().Set(hInternet, dwOption, *static_cast<const DWORD*>(lpBuffer));
  }
  return set;
}

BOOL Cp932InternetQueryOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                              LPDWORD lpdwBufferLength) {
  if (!IsTextOption(dwOption))
    return InternetQueryOptionW(hInternet, dwOption, lpBuffer, lpdwBufferLength);
  if (lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::wstring text;
  if (!QueryWide(
          [&](wchar_t* buffer, DWORD* size) {
            return InternetQueryOptionW(hInternet, dwOption, buffer, size) != FALSE;
          },
          &text)) {
    return FALSE;
  }
  return CopyAnsiOut(Ansi(text), lpBuffer, lpdwBufferLength, false);
}

BOOL Cp932InternetCombineUrl(LPCSTR lpszBaseUrl, LPCSTR lpszRelativeUrl, LPSTR lpszBuffer,
                             LPDWORD lpdwBufferLength, DWORD dwFlags) {
  if (lpszBaseUrl == nullptr || lpszRelativeUrl == nullptr || lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::wstring base = Wide(lpszBaseUrl);
  const std::wstring relative = Wide(lpszRelativeUrl);
  std::wstring url;
  // The wide call counts its buffer in characters.
  std::vector<wchar_t> buffer(INTERNET_MAX_URL_LENGTH + 1);
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!InternetCombineUrlW(base.c_str(), relative.c_str(), buffer.data(), &length, dwFlags))
    return FALSE;
  return CopyAnsiOut(Ansi(std::wstring_view(buffer.data(), length)), lpszBuffer, lpdwBufferLength,
                     false);
}

// Below, InternetCloseHandle is the system's own again.
#undef InternetCloseHandle

BOOL Cp932InternetCloseHandle(HINTERNET hInternet) {
  HandedDown().Forget(hInternet);
  return InternetCloseHandle(hInternet);
}
