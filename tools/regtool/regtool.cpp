// regtool: imports, exports, reads, writes and deletes keys and values of the signup registry
// store (SIGNUP_REGISTRY; on Windows the system's registry) as REGEDIT4 text in UTF-8. Exit codes:
// 0 done, 1 not found, 2 usage or other error (with a message on standard error).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"
#ifdef _WIN32
#include "platform/win32/registry_store.h"
#else
#include "platform/posix/registry_store.h"
#endif

namespace rs = platform::regstore;

namespace {

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;

const char kUsage[] =
    "usage: regtool import FILE.reg\n"
    "       regtool export [KEY]\n"
    "       regtool get KEY NAME\n"
    "       regtool set KEY NAME sz|expand_sz|dword|binary VALUE\n"
    "       regtool delete KEY [NAME]\n"
    "KEY as in .reg files, e.g. HKEY_CURRENT_USER\\Software\\Orvel; NAME \"\" or @ is the\n"
    "default value. The store is the file named by SIGNUP_REGISTRY.\n";

int Fail(const std::string& message) {
  std::cerr << "regtool: " << message << "\n";
  return kError;
}

int NotFound(const std::string& what) {
  std::cerr << "regtool: not found: " << what << "\n";
  return kNotFound;
}

std::string ErrorText(LONG err) {
  switch (err) {
    case ERROR_BADDB:
      return "the store file is not a registry database (left unchanged)";
    case ERROR_ACCESS_DENIED:
      return "access to the store file denied";
    case ERROR_CANTOPEN:
      return "cannot open or create the store file";
    case ERROR_FILE_NOT_FOUND:
      return "not found";
    default:
      return "store error " + std::to_string(err);
  }
}

// Name "" and "@" both mean the key's default value on the command line.
std::string ValueNameArg(const char* arg) { return std::string_view(arg) == "@" ? "" : arg; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "01,02,ff" (as in .reg files; blanks allowed) or "0102ff".
bool ParseHexBytes(std::string_view text, std::string* out) {
  out->clear();
  std::string digits;
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

std::string HexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (i) out += ',';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
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

// Decimal or 0x-hexadecimal, up to 0xffffffff.
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

// Text data ends at its first zero, as the registry calls read it.
std::string TextOfBytes(std::string bytes) {
  size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return bytes;
}

// The key path with the case the store keeps; empty when the key does not exist.
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
    for (const std::string& n : names) {
      if (rs::Fold(n) == part) match = n;
    }
    if (match.empty()) return {};
    path += "\\" + match;
    slash = next;
  }
  return path;
}

// ---- Export ----

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A string with line breaks or other control characters cannot be a quoted .reg string.
bool NeedsHex(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return true;
  }
  return false;
}

std::string FormatValue(const rs::Value& v) {
  std::string line = v.name.empty() ? "@" : Quoted(v.name);
  line += '=';
  switch (v.type) {
    case REG_SZ:
      if (!NeedsHex(v.data)) return line + Quoted(v.data);
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

LONG ExportKey(rs::Store& store, const std::string& path, bool skipIfEmpty, std::string* out) {
  std::vector<rs::Value> values;
  LONG err = store.Values(path, &values);
  if (err != ERROR_SUCCESS) return err;
  if (!(skipIfEmpty && values.empty())) {
    *out += "[" + path + "]\n";
    for (const rs::Value& v : values) *out += FormatValue(v) + "\n";
    *out += "\n";
  }
  std::vector<std::string> subkeys;
  err = store.SubKeys(path, &subkeys);
  if (err != ERROR_SUCCESS) return err;
  for (const std::string& name : subkeys) {
    err = ExportKey(store, path + "\\" + name, false, out);
    if (err != ERROR_SUCCESS) return err;
  }
  return ERROR_SUCCESS;
}

int Export(const char* keyArg) {
  std::string canonical;
  if (keyArg && !rs::CanonicalKeyPath(keyArg, &canonical))
    return Fail("bad key: " + std::string(keyArg));
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(false, &store);
  std::string text = "REGEDIT4\n\n";
  if (err == ERROR_FILE_NOT_FOUND && !keyArg) {
    std::cout << text;
    return kOk;
  }
  if (err == ERROR_FILE_NOT_FOUND) return NotFound(keyArg);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  err = store->Begin(false);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  if (keyArg) {
    std::string path = StoredPath(*store, canonical);
    if (path.empty()) return NotFound(keyArg);
    err = ExportKey(*store, path, false, &text);
  } else {
    for (const std::string& root : rs::Roots()) {
      err = ExportKey(*store, root, true, &text);
      if (err != ERROR_SUCCESS) break;
    }
  }
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  std::cout << text;
  std::cout.flush();
  return std::cout ? kOk : Fail("cannot write the output");
}

// ---- Import ----

struct Operation {
  enum Kind { kCreateKey, kDeleteTree, kSetValue, kDeleteValue } kind;
  std::string path;
  rs::Value value;
};

// Reads a quoted string starting at text[*i] == '"'; *i ends after the closing quote.
bool ParseQuoted(std::string_view text, size_t* i, std::string* out) {
  out->clear();
  for (size_t j = *i + 1; j < text.size(); ++j) {
    char c = text[j];
    if (c == '"') {
      *i = j + 1;
      return true;
    }
    if (c == '\\' && j + 1 < text.size() && (text[j + 1] == '\\' || text[j + 1] == '"'))
      c = text[++j];
    *out += c;
  }
  return false;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Parses the data after "=": a quoted string, dword:, hex:, hex(N): or "-" (delete).
bool ParseData(std::string_view data, Operation* op) {
  op->kind = Operation::kSetValue;
  if (data == "-") {
    op->kind = Operation::kDeleteValue;
    return true;
  }
  if (!data.empty() && data[0] == '"') {
    size_t i = 0;
    op->value.type = REG_SZ;
    return ParseQuoted(data, &i, &op->value.data) && Trim(data.substr(i)).empty();
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
  op->value.type = type;
  op->value.data = (type == REG_SZ || type == REG_EXPAND_SZ) ? TextOfBytes(bytes) : bytes;
  return true;
}

// Parses REGEDIT4 text into operations; on failure *error names the line.
bool ParseReg(std::string text, std::vector<Operation>* ops, std::string* error) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.erase(0, 3);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  size_t n = 0;
  while (n < lines.size() && Trim(lines[n]).empty()) ++n;
  if (n == lines.size() || Trim(lines[n]) != "REGEDIT4") {
    *error = "not a REGEDIT4 file";
    return false;
  }
  std::string key;
  for (++n; n < lines.size(); ++n) {
    size_t lineNo = n + 1;
    std::string line(Trim(lines[n]));
    if (line.empty() || line[0] == ';') continue;
    auto bad = [&](const std::string& what) {
      *error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (line[0] == '[') {
      if (line.back() != ']') return bad("unterminated key");
      bool remove = line.size() > 1 && line[1] == '-';
      std::string canonical;
      if (!rs::CanonicalKeyPath(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)),
                                &canonical)) {
        return bad("bad key");
      }
      ops->push_back({remove ? Operation::kDeleteTree : Operation::kCreateKey, canonical, {}});
      key = remove ? std::string() : canonical;
      continue;
    }
    if (key.empty()) return bad("value outside a key");
    Operation op{Operation::kSetValue, key, {}};
    size_t i = 0;
    if (line[0] == '@') {
      i = 1;
    } else if (line[0] != '"' || !ParseQuoted(line, &i, &op.value.name)) {
      return bad("bad value name");
    }
    std::string_view rest = Trim(std::string_view(line).substr(i));
    if (rest.empty() || rest[0] != '=') return bad("missing '='");
    std::string data(Trim(rest.substr(1)));
    // Hex lists may continue over lines ending in a backslash.
    while (data.substr(0, 3) == "hex" && !data.empty() && data.back() == '\\') {
      data.pop_back();
      if (++n == lines.size()) return bad("hex list ends with a backslash");
      data += Trim(lines[n]);
    }
    if (!ParseData(data, &op)) return bad("bad value data");
    ops->push_back(std::move(op));
  }
  return true;
}

int Import(const char* file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(std::string("cannot read ") + file);
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<Operation> ops;
  std::string error;
  if (!ParseReg(text.str(), &ops, &error)) return Fail(std::string(file) + ": " + error);
  // The whole file in one transaction: all of it or nothing.
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  if (err == ERROR_SUCCESS) err = store->Begin(true);
  for (size_t i = 0; err == ERROR_SUCCESS && i < ops.size(); ++i) {
    const Operation& op = ops[i];
    bool created;
    switch (op.kind) {
      case Operation::kCreateKey:
        err = store->CreateKey(op.path, &created);
        break;
      case Operation::kDeleteTree:
        err = store->DeleteTree(op.path);
        break;
      case Operation::kSetValue:
        err = store->SetValue(op.path, op.value);
        break;
      case Operation::kDeleteValue:
        err = store->DeleteValue(op.path, op.value.name);
        if (err == ERROR_FILE_NOT_FOUND) err = ERROR_SUCCESS;
        break;
    }
  }
  if (err == ERROR_SUCCESS) err = store->Commit();
  return err == ERROR_SUCCESS ? kOk : Fail(ErrorText(err));
}

// ---- get / set / delete ----

int Get(const char* keyArg, const char* nameArg) {
  std::string path;
  if (!rs::CanonicalKeyPath(keyArg, &path)) return Fail("bad key: " + std::string(keyArg));
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(false, &store);
  std::string what = std::string(keyArg) + " " + nameArg;
  if (err == ERROR_FILE_NOT_FOUND) return NotFound(what);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  rs::Value v;
  err = store->GetValue(path, ValueNameArg(nameArg), &v);
  if (err == ERROR_FILE_NOT_FOUND) return NotFound(what);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
    std::cout << v.data << "\n";
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    std::cout << DwordOf(v.data) << "\n";
  } else {
    std::cout << HexBytes(v.data) << "\n";
  }
  return kOk;
}

int Set(const char* keyArg, const char* nameArg, std::string_view type, const char* valueArg) {
  std::string path;
  if (!rs::CanonicalKeyPath(keyArg, &path)) return Fail("bad key: " + std::string(keyArg));
  rs::Value v{ValueNameArg(nameArg), REG_SZ, valueArg};
  if (type == "sz") {
    v.data = TextOfBytes(v.data);
  } else if (type == "expand_sz") {
    v.type = REG_EXPAND_SZ;
  } else if (type == "dword") {
    uint32_t n;
    if (!ParseDword(valueArg, &n)) return Fail("bad dword: " + std::string(valueArg));
    v.type = REG_DWORD;
    v.data = DwordBytes(n);
  } else if (type == "binary") {
    v.type = REG_BINARY;
    if (!ParseHexBytes(valueArg, &v.data)) return Fail("bad hex bytes: " + std::string(valueArg));
  } else {
    return Fail("unknown type: " + std::string(type) + "\n" + kUsage);
  }
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  bool created;
  if (err == ERROR_SUCCESS) err = store->Begin(true);
  if (err == ERROR_SUCCESS) err = store->CreateKey(path, &created);
  if (err == ERROR_SUCCESS) err = store->SetValue(path, v);
  if (err == ERROR_SUCCESS) err = store->Commit();
  return err == ERROR_SUCCESS ? kOk : Fail(ErrorText(err));
}

int Delete(const char* keyArg, const char* nameArg) {
  std::string path;
  if (!rs::CanonicalKeyPath(keyArg, &path)) return Fail("bad key: " + std::string(keyArg));
  {
    // Nothing to delete without a store; do not create one.
    std::unique_ptr<rs::Store> probe;
    LONG err = rs::Store::Open(false, &probe);
    if (err == ERROR_FILE_NOT_FOUND) return NotFound(keyArg);
    if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  }
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  if (err == ERROR_SUCCESS) err = store->Begin(true);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  if (nameArg) {
    err = store->DeleteValue(path, ValueNameArg(nameArg));
  } else {
    bool exists = false;
    err = store->KeyExists(path, &exists);
    if (err == ERROR_SUCCESS && !exists) err = ERROR_FILE_NOT_FOUND;
    if (err == ERROR_SUCCESS) err = store->DeleteTree(path);
  }
  if (err == ERROR_FILE_NOT_FOUND) {
    return NotFound(nameArg ? std::string(keyArg) + " " + nameArg : std::string(keyArg));
  }
  if (err == ERROR_SUCCESS) err = store->Commit();
  return err == ERROR_SUCCESS ? kOk : Fail(ErrorText(err));
}

}  // namespace

int main(int argc, char** argv) {
  // The arguments in UTF-8 on every system, as the output is.
  const std::vector<std::string> args = platform::Utf8Arguments(argc, argv);
  std::vector<const char*> arg;
  for (const std::string& a : args) arg.push_back(a.c_str());
  const size_t n = arg.size();
  std::string_view cmd = n > 0 ? arg[0] : "";
  if (cmd == "import" && n == 2) return Import(arg[1]);
  if (cmd == "export" && (n == 1 || n == 2)) return Export(n == 2 ? arg[1] : nullptr);
  if (cmd == "get" && n == 3) return Get(arg[1], arg[2]);
  if (cmd == "set" && n == 5) return Set(arg[1], arg[2], arg[3], arg[4]);
  if (cmd == "delete" && (n == 2 || n == 3)) return Delete(arg[1], n == 3 ? arg[2] : nullptr);
  std::cerr << kUsage;
  return kError;
}
