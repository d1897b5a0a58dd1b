// Reading and writing .reg text for the registry store (see regfile.h).
#include "regfile.h"

#include <cstdio>

namespace regfile {
namespace {

constexpr std::string_view kRegedit4 = "REGEDIT4";
constexpr std::string_view kRegedit5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-16LE to UTF-8; an unpaired surrogate becomes U+FFFD. False for an odd number of bytes.
bool Utf16LeToUtf8(std::string_view bytes, std::string* out) {
  out->clear();
  if (bytes.size() % 2 != 0) return false;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    AppendUtf8(cp, out);
  }
  return true;
}

// ---- names ----

// Whether key-name text at i is an escape the import reads as one byte: %00-%1F or %25.
bool KeyEscapeAt(std::string_view s, size_t i) {
  if (i + 2 >= s.size() || s[i] != '%') return false;
  const char a = s[i + 1], b = s[i + 2];
  return ((a == '0' || a == '1') && HexDigit(b) >= 0) || (a == '2' && b == '5');
}

std::string EscapeKeyName(std::string_view name) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsControl(name[i]) || (c == '%' && KeyEscapeAt(name, i))) {
      out += '%';
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    } else {
      out += name[i];
    }
  }
  return out;
}

std::string UnescapeKeyName(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (KeyEscapeAt(text, i)) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Whether quoted value-name text at i is \x followed by the two digits of a control byte.
bool NameEscapeAt(std::string_view s, size_t i) {
  return i + 3 < s.size() && s[i] == '\\' && s[i + 1] == 'x' &&
         (s[i + 2] == '0' || s[i + 2] == '1') && HexDigit(s[i + 3]) >= 0;
}

// A quoted .reg string; in a value name control bytes are escaped too.
std::string Quoted(std::string_view text, bool name) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (name && IsControl(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Reads a quoted string starting at text[*i] == '"'; *i ends after the closing quote.
bool ParseQuoted(std::string_view text, size_t* i, std::string* out, bool name) {
  out->clear();
  for (size_t j = *i + 1; j < text.size(); ++j) {
    char c = text[j];
    if (c == '"') {
      *i = j + 1;
      return true;
    }
    if (c == '\\' && j + 1 < text.size() && (text[j + 1] == '\\' || text[j + 1] == '"')) {
      c = text[++j];
    } else if (name && NameEscapeAt(text, j)) {
      c = static_cast<char>(HexDigit(text[j + 2]) * 16 + HexDigit(text[j + 3]));
      j += 3;
    }
    *out += c;
  }
  return false;
}

// ---- values ----

// A string with line breaks or other control characters (a zero among them) cannot be a quoted
// .reg string.
bool NeedsHex(std::string_view text) {
  for (char c : text) {
    if (IsControl(c) && c != '\t') return true;
  }
  return false;
}

std::string FormatValue(const rs::Value& v) {
  std::string line = v.name.empty() ? "@" : Quoted(v.name, true);
  line += '=';
  switch (v.type) {
    case REG_SZ:
      if (!NeedsHex(v.data)) return line + Quoted(v.data, false);
      return line + "hex(1):" + HexBytes(v.data + std::string(1, '\0'));
    case REG_EXPAND_SZ:
      return line + "hex(2):" + HexBytes(v.data + std::string(1, '\0'));
    case REG_DWORD:
      if (v.data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", DwordOf(v.data));
        return line + buf;
      }
      break;
    case REG_BINARY:
      return line + "hex:" + HexBytes(v.data);
    default:
      break;
  }
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
  return line + prefix + HexBytes(v.data);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Parses the data after "=": a quoted string, dword:, hex:, hex(N): or "-" (delete). In a
// version 5 file the strings of hex(1), hex(2) and hex(7) are UTF-16LE.
bool ParseData(std::string_view data, bool utf16Strings, Operation* op) {
  op->kind = Operation::kSetValue;
  if (data == "-") {
    op->kind = Operation::kDeleteValue;
    return true;
  }
  if (!data.empty() && data[0] == '"') {
    size_t i = 0;
    op->value.type = REG_SZ;
    return ParseQuoted(data, &i, &op->value.data, false) && Trim(data.substr(i)).empty();
  }
  if (data.substr(0, 6) == "dword:") {
    uint32_t v;
    std::string digits(data.substr(6));
    if (digits.empty() || digits.size() > 8 || !ParseDword("0x" + digits, &v)) return false;
    op->value.type = REG_DWORD;
    op->value.data = DwordBytes(v);
    return true;
  }
  DWORD type = REG_BINARY;
  if (data.substr(0, 4) == "hex(") {
    size_t close = data.find(')');
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    uint32_t t;
    if (!ParseDword("0x" + std::string(data.substr(4, close - 4)), &t)) return false;
    type = t;
    data.remove_prefix(close + 1);
  } else if (data.substr(0, 3) == "hex") {
    data.remove_prefix(3);
  } else {
    return false;
  }
  if (data.empty() || data[0] != ':') return false;
  std::string bytes;
  if (!ParseHexBytes(data.substr(1), &bytes)) return false;
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
  if (utf16Strings && (text || type == REG_MULTI_SZ)) {
    std::string utf8;
    if (!Utf16LeToUtf8(bytes, &utf8)) return false;
    bytes = std::move(utf8);
  }
  // A string's data ends with one terminating zero; zeros before it are the string's own.
  if (text && !bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  op->value.type = type;
  op->value.data = std::move(bytes);
  return true;
}

// What is wrong with a key path or value name for the registry's limits; empty when nothing.
std::string KeyPathProblem(const std::string& path) {
  if (rs::CheckKeyPath(path) == ERROR_SUCCESS) return {};
  size_t depth = 0;
  for (char c : path) depth += c == '\\';
  if (depth > rs::kMaxKeyDepth)
    return "the key path is deeper than " + std::to_string(rs::kMaxKeyDepth) + " levels";
  return "a key name is longer than " + std::to_string(rs::kMaxKeyNameLength) + " characters";
}

// The lines of the text, without their line breaks.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

std::string HexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (i) out += ',';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

bool ParseHexBytes(std::string_view text, std::string* out) {
  out->clear();
  bool commas = text.find(',') != std::string_view::npos;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    int hi = HexDigit(text[i]);
    int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
    skipBlanks();
    if (i < text.size() && commas) {
      if (text[i] != ',') return false;
      ++i;
      skipBlanks();
      if (i == text.size()) return false;
    }
  }
  return true;
}

bool ParseDword(std::string_view text, uint32_t* out) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (char c : text) {
    int d = HexDigit(c);
    if (d < 0 || d >= base) return false;
    v = v * base + d;
  }
  if (v > 0xffffffffu) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

std::string DwordBytes(uint32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  return out;
}

uint32_t DwordOf(std::string_view bytes) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

bool Parse(std::string_view bytes, std::vector<Operation>* ops, std::string* error) {
  ops->clear();
  std::string converted;
  std::string_view text = bytes;
  if (bytes.substr(0, 2) == kUtf16LeBom) {
    if (!Utf16LeToUtf8(bytes.substr(2), &converted)) {
      *error = "not UTF-16 text: an odd number of bytes";
      return false;
    }
    text = converted;
  } else if (bytes.substr(0, 3) == kUtf8Bom) {
    text.remove_prefix(3);
  }
  const std::vector<std::string_view> lines = Lines(text);
  size_t n = 0;
  while (n < lines.size() && Trim(lines[n]).empty()) ++n;
  const std::string_view header = n < lines.size() ? Trim(lines[n]) : std::string_view();
  if (header != kRegedit4 && header != kRegedit5) {
    *error = "not a REGEDIT4 file nor one of \"" + std::string(kRegedit5) + "\"";
    return false;
  }
  const bool utf16Strings = header == kRegedit5;
  std::string key;
  for (++n; n < lines.size(); ++n) {
    const size_t lineNo = n + 1;
    std::string_view line = Trim(lines[n]);
    if (line.empty() || line[0] == ';') continue;
    auto bad = [&](const std::string& what) {
      *error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (line[0] == '[') {
      if (line.back() != ']') return bad("unterminated key");
      const bool remove = line.size() > 1 && line[1] == '-';
      std::string canonical;
      if (!rs::CanonicalKeyPath(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)),
                                &canonical))
        return bad("bad key");
      // The names come back from their escapes one level at a time: an escape never makes a
      // backslash, so the levels stay as written.
      std::string path;
      size_t start = 0;
      for (size_t slash = canonical.find('\\');; slash = canonical.find('\\', start)) {
        std::string_view part(canonical.data() + start,
                              (slash == std::string::npos ? canonical.size() : slash) - start);
        path += start == 0 ? std::string(part) : "\\" + UnescapeKeyName(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
      }
      if (remove && rs::IsRoot(path)) return bad("a root key cannot be deleted");
      if (!remove) {
        if (std::string problem = KeyPathProblem(path); !problem.empty()) return bad(problem);
      }
      ops->push_back({remove ? Operation::kDeleteTree : Operation::kCreateKey, path, {}});
      key = remove ? std::string() : path;
      continue;
    }
    if (key.empty()) return bad("value outside a key");
    Operation op{Operation::kSetValue, key, {}};
    size_t i = 0;
    if (line[0] == '@') {
      i = 1;
    } else if (line[0] != '"' || !ParseQuoted(line, &i, &op.value.name, true)) {
      return bad("bad value name");
    }
    if (rs::CheckValueName(op.value.name) != ERROR_SUCCESS) {
      return bad("a value name is longer than " + std::to_string(rs::kMaxValueNameLength) +
                 " characters");
    }
    std::string_view rest = Trim(line.substr(i));
    if (rest.empty() || rest[0] != '=') return bad("missing '='");
    std::string data(Trim(rest.substr(1)));
    // Hex lists may continue over lines ending in a backslash.
    while (data.substr(0, 3) == "hex" && data.back() == '\\') {
      data.pop_back();
      if (++n == lines.size()) return bad("hex list ends with a backslash");
      data += Trim(lines[n]);
    }
    if (!ParseData(data, utf16Strings, &op)) return bad("bad value data");
    ops->push_back(std::move(op));
  }
  return true;
}

LONG Apply(rs::Store& store, const std::vector<Operation>& ops) {
  LONG err = ERROR_SUCCESS;
  for (size_t i = 0; err == ERROR_SUCCESS && i < ops.size(); ++i) {
    const Operation& op = ops[i];
    bool created;
    switch (op.kind) {
      case Operation::kCreateKey:
        err = store.CreateKey(op.path, &created);
        break;
      case Operation::kDeleteTree:
        err = store.DeleteTree(op.path);
        break;
      case Operation::kSetValue:
        err = store.SetValue(op.path, op.value);
        break;
      case Operation::kDeleteValue:
        err = store.DeleteValue(op.path, op.value.name);
        if (err == ERROR_FILE_NOT_FOUND) err = ERROR_SUCCESS;
        break;
    }
  }
  return err;
}

std::string StoredPath(rs::Store& store, const std::string& canonical) {
  size_t slash = canonical.find('\\');
  std::string path = canonical.substr(0, slash);
  while (slash != std::string::npos) {
    size_t next = canonical.find('\\', slash + 1);
    std::string part = rs::Fold(canonical.substr(
        slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1));
    std::vector<std::string> names;
    if (store.SubKeys(path, &names) != ERROR_SUCCESS) return {};
    std::string match;
    for (const std::string& name : names) {
      if (rs::Fold(name) == part) match = name;
    }
    if (match.empty()) return {};
    path += "\\" + match;
    slash = next;
  }
  return path;
}

LONG Export(rs::Store& store, const std::string* key, std::string* text) {
  *text = "REGEDIT4\n\n";
  // Keys in the order of the tree, each before its subkeys; kept on a list rather than the call
  // stack, however deep a store made before the depth limit may go.
  struct Pending {
    std::string path;   // as stored
    std::string shown;  // with the names escaped
    bool skipIfEmpty;
  };
  std::vector<Pending> pending;
  if (key != nullptr) {
    std::string path = StoredPath(store, *key);
    if (path.empty()) return ERROR_FILE_NOT_FOUND;
    std::string shown = path.substr(0, path.find('\\'));
    for (size_t slash = path.find('\\'); slash != std::string::npos;) {
      size_t next = path.find('\\', slash + 1);
      shown += "\\" + EscapeKeyName(std::string_view(path).substr(
                          slash + 1, next == std::string::npos ? next : next - slash - 1));
      slash = next;
    }
    pending.push_back({path, shown, false});
  } else {
    for (auto root = rs::Roots().rbegin(); root != rs::Roots().rend(); ++root)
      pending.push_back({*root, *root, true});
  }
  while (!pending.empty()) {
    Pending current = std::move(pending.back());
    pending.pop_back();
    std::vector<rs::Value> values;
    LONG err = store.Values(current.path, &values);
    if (err != ERROR_SUCCESS) return err;
    if (!(current.skipIfEmpty && values.empty())) {
      *text += "[" + current.shown + "]\n";
      for (const rs::Value& v : values) *text += FormatValue(v) + "\n";
      *text += "\n";
    }
    std::vector<std::string> subkeys;
    err = store.SubKeys(current.path, &subkeys);
    if (err != ERROR_SUCCESS) return err;
    for (auto name = subkeys.rbegin(); name != subkeys.rend(); ++name)
      pending.push_back(
          {current.path + "\\" + *name, current.shown + "\\" + EscapeKeyName(*name), false});
  }
  return ERROR_SUCCESS;
}

}  // namespace regfile
