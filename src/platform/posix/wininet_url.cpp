// InternetCombineUrlA on Linux: relative URL resolution after RFC 3986, with WinInet's buffer
// and escaping conventions.
#include <cstring>
#include <string>
#include <string_view>

#include "platform/percent_encoding.h"
#include "platform/wininet.h"

namespace {

struct UrlParts {
  std::string scheme;  // without ":"
  bool has_authority = false;
  std::string authority;
  std::string path;
  bool has_query = false;
  std::string query;
  bool has_fragment = false;
  std::string fragment;
};

bool IsSchemeChar(char c, bool first) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  if (first) return false;
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Splits a URL reference into its five parts; the scheme stays empty for a relative one.
UrlParts Split(std::string_view s) {
  UrlParts p;
  size_t colon = s.find(':');
  if (colon != std::string_view::npos && colon > 0) {
    bool ok = true;
    for (size_t i = 0; i < colon && ok; ++i) ok = IsSchemeChar(s[i], i == 0);
    if (ok) {
      p.scheme = std::string(s.substr(0, colon));
      s.remove_prefix(colon + 1);
    }
  }
  if (size_t hash = s.find('#'); hash != std::string_view::npos) {
    p.has_fragment = true;
    p.fragment = std::string(s.substr(hash + 1));
    s = s.substr(0, hash);
  }
  if (size_t q = s.find('?'); q != std::string_view::npos) {
    p.has_query = true;
    p.query = std::string(s.substr(q + 1));
    s = s.substr(0, q);
  }
  if (s.substr(0, 2) == "//") {
    p.has_authority = true;
    s.remove_prefix(2);
    size_t slash = s.find('/');
    p.authority = std::string(s.substr(0, slash));
    s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
  }
  p.path = std::string(s);
  return p;
}

std::string RemoveDotSegments(std::string in) {
  std::string out;
  while (!in.empty()) {
    if (in.rfind("../", 0) == 0) {
      in.erase(0, 3);
    } else if (in.rfind("./", 0) == 0) {
      in.erase(0, 2);
    } else if (in.rfind("/./", 0) == 0) {
      in.erase(0, 2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.rfind("/../", 0) == 0 || in == "/..") {
      in = in.size() == 3 ? std::string("/") : in.substr(3);
      size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::string::npos ? in.size() : next);
    }
  }
  return out;
}

std::string Merge(const UrlParts& base, const std::string& rel_path) {
  if (base.has_authority && base.path.empty()) return "/" + rel_path;
  size_t slash = base.path.rfind('/');
  if (slash == std::string::npos) return rel_path;
  return base.path.substr(0, slash + 1) + rel_path;
}

std::string Join(const UrlParts& p) {
  std::string s = p.scheme + ":";
  if (p.has_authority) s += "//" + p.authority;
  s += p.path;
  if (p.has_query) s += "?" + p.query;
  if (p.has_fragment) s += "#" + p.fragment;
  return s;
}

// What a combined URL may carry literally: printable ASCII but for the characters RFC 3986 leaves
// out of URLs.
bool KeepInUrl(unsigned char c) {
  return c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\' && c != '^' &&
         c != '`' && c != '{' && c != '|' && c != '}';
}

bool KeepAllButSpace(unsigned char c) { return c != ' '; }

// Escapes what a URL may not carry literally, as WinInet does unless ICU_NO_ENCODE.
std::string Escape(const std::string& s, DWORD flags) {
  return platform::PercentEncode(s, (flags & ICU_ENCODE_SPACES_ONLY) ? KeepAllButSpace : KeepInUrl);
}

}  // namespace

BOOL InternetCombineUrlA(LPCSTR lpszBaseUrl, LPCSTR lpszRelativeUrl, LPSTR lpszBuffer,
                         LPDWORD lpdwBufferLength, DWORD dwFlags) {
  if (lpszBaseUrl == nullptr || lpszRelativeUrl == nullptr || lpdwBufferLength == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  UrlParts base = Split(lpszBaseUrl);
  UrlParts rel = Split(lpszRelativeUrl);
  if (base.scheme.empty()) {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return FALSE;
  }
  const bool meta = (dwFlags & ICU_NO_META) == 0;
  auto clean = [meta](std::string path) { return meta ? RemoveDotSegments(path) : path; };

  UrlParts t;
  if (!rel.scheme.empty()) {
    t = rel;
    t.path = clean(t.path);
  } else {
    t.scheme = base.scheme;
    if (rel.has_authority) {
      t.has_authority = true;
      t.authority = rel.authority;
      t.path = clean(rel.path);
      t.has_query = rel.has_query;
      t.query = rel.query;
    } else {
      t.has_authority = base.has_authority;
      t.authority = base.authority;
      if (rel.path.empty()) {
        t.path = base.path;
        t.has_query = rel.has_query || base.has_query;
        t.query = rel.has_query ? rel.query : base.query;
      } else {
        t.path = clean(rel.path[0] == '/' ? rel.path : Merge(base, rel.path));
        t.has_query = rel.has_query;
        t.query = rel.query;
      }
    }
    t.has_fragment = rel.has_fragment;
    t.fragment = rel.fragment;
  }
  if (t.has_authority && t.path.empty()) t.path = "/";

  std::string result = Join(t);
  if ((dwFlags & ICU_NO_ENCODE) == 0) result = Escape(result, dwFlags);

  const DWORD needed = static_cast<DWORD>(result.size() + 1);
  if (lpszBuffer == nullptr || *lpdwBufferLength < needed) {
    *lpdwBufferLength = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(lpszBuffer, result.c_str(), needed);
  *lpdwBufferLength = needed - 1;
  return TRUE;
}
