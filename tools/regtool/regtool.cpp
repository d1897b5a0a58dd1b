// regtool: imports, exports, reads, writes and deletes keys and values of the signup registry
// store (SIGNUP_REGISTRY; on Windows the system's registry) as REGEDIT4 text in UTF-8
// (regfile.h); imports also take the registry editor's version 5 files; and shows the provider's
// deployment data the program will use. Exit codes: 0 done, 1 not found (or a deployment value
// refused), 2 usage or other error, a store that is damaged or not ours among them (with a
// message on standard error).
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/read_file.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "regfile.h"
#include "res/deployment.h"

namespace rs = platform::regstore;

namespace {

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;
// A .reg file larger than this is refused rather than read until memory runs out.
constexpr size_t kMaxRegFileSize = 64u << 20;

const char kUsage[] =
    "usage: regtool import FILE.reg\n"
    "       regtool export [KEY]\n"
    "       regtool get KEY NAME\n"
    "       regtool set KEY NAME sz|expand_sz|dword|binary VALUE\n"
    "       regtool delete KEY [NAME]\n"
    "       regtool deployment\n"
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
  const std::string store = rs::StorePath();
  switch (err) {
    case ERROR_BADDB:
      return "the store file " + store +
             " is not a registry database of this program (left unchanged)";
    case ERROR_ACCESS_DENIED:
      return "access to the store file " + store + " denied";
    case ERROR_CANTREAD:
      return "cannot read the store file " + store;
    case ERROR_CANTOPEN:
      return "cannot open or create the store file " + store;
    case ERROR_INVALID_PARAMETER:
      return "beyond the registry's limits: key names of " + std::to_string(rs::kMaxKeyNameLength) +
             " characters, paths of " + std::to_string(rs::kMaxKeyDepth) +
             " levels, value names of " + std::to_string(rs::kMaxValueNameLength) + " characters";
    case ERROR_FILE_NOT_FOUND:
      return "not found";
    default:
      return "store error " + std::to_string(err);
  }
}

// Name "" and "@" both mean the key's default value on the command line.
std::string ValueNameArg(const char* arg) { return std::string_view(arg) == "@" ? "" : arg; }

// Text data ends at its first zero, as the registry calls read it.
std::string TextOfBytes(std::string bytes) {
  size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return bytes;
}

// ---- Export ----

int Export(const char* keyArg) {
  std::string canonical;
  if (keyArg && !rs::CanonicalKeyPath(keyArg, &canonical))
    return Fail("bad key: " + std::string(keyArg));
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(false, &store);
  if (err == ERROR_FILE_NOT_FOUND && !keyArg) {
    std::cout << "REGEDIT4\n\n";
    return kOk;
  }
  if (err == ERROR_FILE_NOT_FOUND) return NotFound(keyArg);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  err = store->Begin(false);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  std::string text;
  err = regfile::Export(*store, keyArg ? &canonical : nullptr, &text);
  if (err == ERROR_FILE_NOT_FOUND) return NotFound(keyArg);
  if (err != ERROR_SUCCESS) return Fail(ErrorText(err));
  std::cout << text;
  std::cout.flush();
  return std::cout ? kOk : Fail("cannot write the output");
}

// ---- Import ----

int Import(const char* file) {
  std::string text;
  platform::ReadFileResult read = platform::ReadRegularFile(file, kMaxRegFileSize, &text);
  if (read != platform::ReadFileResult::kOk)
    return Fail(std::string("cannot read ") + file + ": " +
                platform::ReadFileProblem(read, kMaxRegFileSize));
  std::vector<regfile::Operation> ops;
  std::string error;
  if (!regfile::Parse(text, &ops, &error)) return Fail(std::string(file) + ": " + error);
  // The whole file in one transaction: all of it or nothing.
  std::unique_ptr<rs::Store> store;
  LONG err = rs::Store::Open(true, &store);
  if (err == ERROR_SUCCESS) err = store->Begin(true);
  if (err == ERROR_SUCCESS) err = regfile::Apply(*store, ops);
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
    std::cout << regfile::DwordOf(v.data) << "\n";
  } else {
    std::cout << regfile::HexBytes(v.data) << "\n";
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
    if (!regfile::ParseDword(valueArg, &n)) return Fail("bad dword: " + std::string(valueArg));
    v.type = REG_DWORD;
    v.data = regfile::DwordBytes(n);
  } else if (type == "binary") {
    v.type = REG_BINARY;
    if (!regfile::ParseHexBytes(valueArg, &v.data))
      return Fail("bad hex bytes: " + std::string(valueArg));
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
  if (!nameArg && rs::IsRoot(path)) return Fail("a root key cannot be deleted: " + path);
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

// ---- Deployment ----

// A value of this user's settings that comes before the deployed one, or "".
std::string UserValue(const char* key, const char* name) {
  HKEY h = nullptr;
  std::string value(2048, '\0');
  DWORD size = static_cast<DWORD>(value.size()), type = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return "";
  const LONG err =
      RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<LPBYTE>(value.data()), &size);
  RegCloseKey(h);
  if (err != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return "";
  return TextOfBytes(value.substr(0, size));
}

// Every deployment value as the program would use it, with where it comes from, then the values
// the program refuses. The per-user values that come first are those the program reads first.
int Deployment() {
  const std::vector<res::DeploymentRefusal> refused = res::LoadDeployment();
  const std::vector<res::DeployedValue> deployed = res::DeployedValues();
  const struct {
    const char* name;
    const char* key;
    const char* value;
  } userFirst[] = {{"SignupServer", "Software\\Orvel\\Lumipass\\Servers", "SignupPage"},
                   {"ProfileServer", "Software\\Orvel\\Lumipass\\Servers", "ProfilePage"},
                   {"SearchServer", "Software\\Orvel\\Lumipass\\Servers", "SearchPage"},
                   {"AccessNumber", "Software\\Orvel\\Lumipass\\NetInfo", "FreeAP"}};
  for (const res::DeploymentName& n : res::DeploymentNames()) {
    std::string value = res::DeploymentValueInUse(n), from = "built in";
    for (const res::DeployedValue& d : deployed)
      if (d.name == n.name) from = d.where;
    for (const auto& u : userFirst) {
      const std::string mine = std::string_view(u.name) == n.name ? UserValue(u.key, u.value) : "";
      if (!mine.empty()) {
        value = mine;
        from = std::string("this user's HKEY_CURRENT_USER\\") + u.key + " " + u.value;
      }
    }
    std::cout << n.name << "=" << platform::AnsiToUtf8(value) << "\t(" << platform::AnsiToUtf8(from)
              << ")\n";
  }
  for (const res::DeploymentRefusal& r : refused)
    std::cout << "refused: " << platform::AnsiToUtf8(r.name) << " ("
              << platform::AnsiToUtf8(r.where) << "): " << platform::AnsiToUtf8(r.reason) << "\n";
  return refused.empty() ? kOk : kNotFound;
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
  if (cmd == "deployment" && n == 1) return Deployment();
  std::cerr << kUsage;
  return kError;
}
