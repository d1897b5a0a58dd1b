// Tests of the registry calls: Windows size and error conventions, names, and the safety of the
// store file (privacy, concurrent writers, killed writers, files that are not ours).
#include "platform/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "support/regtool.h"
#include "support/test_support.h"

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
std::string Sjis(const char8_t* s) { return test::Sjis(U8(s)); }

const char kKey[] = "Software\\Orvel\\Lumipass\\NetInfo";

class RegistryTest : public ::testing::Test {
 protected:
  std::string StoreFile() const { return dir_.File("registry.db"); }

  // Opens (creating) kKey below HKEY_CURRENT_USER with full access.
  HKEY CreateKey(const std::string& sub = kKey) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << "creating " << sub;
    return key;
  }

  static LONG SetString(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  }

  static LONG SetDword(HKEY key, const char* name, DWORD v) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  }

  // The string value as a caller reads it, or "<error N>".
  static std::string GetString(HKEY key, const char* name) {
    char buffer[512];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    LONG err = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (err != ERROR_SUCCESS) return "<error " + std::to_string(err) + ">";
    return std::string(buffer, size ? size - 1 : 0);
  }

  test::TempDir dir_;
  test::ScopedEnv env_{"SIGNUP_REGISTRY", dir_.File("registry.db")};
};

TEST_F(RegistryTest, StringQueriesFollowTheWindowsSizeRules) {
  HKEY key = CreateKey();
  ASSERT_EQ(SetString(key, "Pop_host", "pop.example"), ERROR_SUCCESS);

  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "Pop_host", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 12u) << "size counts the terminating zero";

  char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_EQ(
      RegQueryValueExA(key, "Pop_host", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u) << "a short buffer learns the size it needs";

  char exact[12];
  size = sizeof exact;
  ASSERT_EQ(
      RegQueryValueExA(key, "Pop_host", nullptr, &type, reinterpret_cast<BYTE*>(exact), &size),
      ERROR_SUCCESS);
  EXPECT_STREQ(exact, "pop.example");

  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(
      RegQueryValueExA(key, "Pop_host", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
      ERROR_INVALID_PARAMETER);

  // Written without its zero, a string still reads back terminated.
  ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3),
            ERROR_SUCCESS);
  size = 0;
  RegQueryValueExA(key, "Bare", nullptr, nullptr, nullptr, &size);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(GetString(key, "Bare"), "abc");
  RegCloseKey(key);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  HKEY key = CreateKey();
  ASSERT_EQ(SetDword(key, "Proxy_enable", 1), ERROR_SUCCESS);
  const BYTE blob[] = {0x00, 0xff, 0x10, 0x00};
  ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  std::string expand = "%TEMP%\\x";
  ASSERT_EQ(
      RegSetValueExA(key, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand.c_str()),
                     static_cast<DWORD>(expand.size() + 1)),
      ERROR_SUCCESS);

  DWORD type = 0;
  DWORD v = 0;
  DWORD size = sizeof v;
  ASSERT_EQ(
      RegQueryValueExA(key, "Proxy_enable", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(v, 1u);

  BYTE out[8] = {};
  size = sizeof out;
  ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, out, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(size, sizeof blob);
  EXPECT_EQ(std::memcmp(out, blob, sizeof blob), 0) << "binary data with zeros comes back whole";

  RegQueryValueExA(key, "Expand", nullptr, &type, nullptr, &size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(GetString(key, "Expand"), expand) << "not expanded";

  // A string read where a number is expected is reported as a string, not converted.
  ASSERT_EQ(SetString(key, "Proxy_enable", "1"), ERROR_SUCCESS);
  RegQueryValueExA(key, "Proxy_enable", nullptr, &type, nullptr, &size);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  RegCloseKey(key);
}

TEST_F(RegistryTest, JapaneseTextIsStoredAsUtf8AndReadBackAsCp932) {
  // 表 and ソ end in 0x5C, the path separator, in CP932.
  std::string keyName = std::string(kKey) + "\\" + Sjis(u8"表示ソフト");
  HKEY key = CreateKey(keyName);
  std::string name = Sjis(u8"名前");
  std::string value = Sjis(u8"山田　太郎～");
  ASSERT_EQ(SetString(key, name.c_str(), value), ERROR_SUCCESS);
  EXPECT_EQ(GetString(key, name.c_str()), value);
  RegCloseKey(key);

  std::unique_ptr<platform::regstore::Store> store;
  ASSERT_EQ(platform::regstore::Store::Open(false, &store), ERROR_SUCCESS);
  platform::regstore::Value stored;
  ASSERT_EQ(store->GetValue(std::string("HKEY_CURRENT_USER\\") + kKey + "\\" + U8(u8"表示ソフト"),
                            U8(u8"名前"), &stored),
            ERROR_SUCCESS)
      << "the key is one level named 表示ソフト, not split at its 0x5C bytes";
  EXPECT_EQ(stored.data, U8(u8"山田　太郎～"));
}

TEST_F(RegistryTest, NamesCompareWithoutAsciiCaseButKeepTheirSpelling) {
  HKEY key = CreateKey("Software\\Orvel");
  ASSERT_EQ(SetString(key, "LoginID", "first"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "LOGINID", "second"), ERROR_SUCCESS);
  EXPECT_EQ(GetString(key, "loginid"), "second");
  char name[32];
  DWORD nameSize = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "LoginID") << "the first spelling stays";
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // ア is 83 41 and ヂ is 83 61 in CP932: upper-casing bytes would make them one name.
  ASSERT_EQ(SetString(key, Sjis(u8"ア").c_str(), "a"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, Sjis(u8"ヂ").c_str(), "di"), ERROR_SUCCESS);
  EXPECT_EQ(GetString(key, Sjis(u8"ア").c_str()), "a");
  EXPECT_EQ(GetString(key, Sjis(u8"ヂ").c_str()), "di");
  RegCloseKey(key);

  HKEY upper = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\ORVEL", 0, nullptr, 0, KEY_READ, nullptr,
                            &upper, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(GetString(upper, "LoginId"), "second");
  RegCloseKey(upper);

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
  nameSize = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(software, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "Orvel");
  EXPECT_EQ(nameSize, 5u) << "the length without the zero";
  RegCloseKey(software);
}

TEST_F(RegistryTest, EnumerationOrderIsStable) {
  HKEY parent = CreateKey("Software\\Order");
  for (const char* sub : {"b", "C", "a"}) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(parent, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(k);
  }
  for (const char* v : {"zeta", "Alpha", "mid"}) ASSERT_EQ(SetString(parent, v, v), ERROR_SUCCESS);
  ASSERT_EQ(SetString(parent, "zeta", "rewritten"), ERROR_SUCCESS);

  std::vector<std::string> keys;
  char name[16];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG err = RegEnumKeyExA(parent, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (err == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(err, ERROR_SUCCESS);
    keys.push_back(name);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "C"})) << "subkeys by name, any case";

  std::vector<std::string> values;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG err = RegEnumValueA(parent, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (err == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(err, ERROR_SUCCESS);
    values.push_back(name);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"zeta", "Alpha", "mid"}))
      << "values in the order first written; rewriting keeps the place";

  DWORD tiny = 3;
  EXPECT_EQ(RegEnumValueA(parent, 0, name, &tiny, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA)
      << "no room for \"zeta\" and its zero";
  char data[4];
  DWORD dataSize = sizeof data;
  DWORD nameSize = sizeof name;
  EXPECT_EQ(RegEnumValueA(parent, 0, name, &nameSize, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(dataSize, 10u);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, KeysWithSubkeysCannotBeDeleted) {
  RegCloseKey(CreateKey("Software\\Tree\\Leaf"));
  HKEY software = CreateKey("Software");
  EXPECT_EQ(RegDeleteKeyA(software, "Tree"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(software, "Tree\\Leaf"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(software, "tree"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(software, "Tree"), ERROR_FILE_NOT_FOUND);
  HKEY gone = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tree", 0, KEY_READ, &gone),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(software);
}

TEST_F(RegistryTest, HandlesCarryTheirAccessAndNoticeDeletion) {
  HKEY writer = CreateKey();
  ASSERT_EQ(SetString(writer, "LoginID", "x"), ERROR_SUCCESS);
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &reader), ERROR_SUCCESS);
  EXPECT_EQ(SetString(reader, "LoginID", "y"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetString(reader, "LoginID"), "x");

  ASSERT_EQ(RegDeleteValueA(writer, "LoginID"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(writer, "LoginID"), ERROR_FILE_NOT_FOUND);
  HKEY parent = CreateKey("Software\\Orvel\\Lumipass");
  ASSERT_EQ(RegDeleteKeyA(parent, "NetInfo"), ERROR_SUCCESS);
  EXPECT_EQ(SetString(writer, "LoginID", "z"), ERROR_KEY_DELETED)
      << "a write through a stale handle must not bring the key back";

  EXPECT_EQ(RegCloseKey(writer), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(writer), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetString(writer, "LoginID", "z"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  RegCloseKey(reader);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, ReadsWithoutAStoreFindNothingAndCreateNoFile) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(HKEY_LOCAL_MACHINE, "ProductID", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_SUCCESS)
      << "the roots always exist";
  RegCloseKey(key);
  struct stat st;
  EXPECT_NE(stat(StoreFile().c_str(), &st), 0) << "reading must not create the store";
}

TEST_F(RegistryTest, TheStoreFileIsPrivate) {
  RegCloseKey(CreateKey());
  struct stat st;
  ASSERT_EQ(stat(StoreFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A store found readable by others is made private before a secret goes in.
  ASSERT_EQ(chmod(StoreFile().c_str(), 0644), 0);
  ASSERT_EQ(SetString(HKEY_CURRENT_USER, "LoginPasswd", "0A1B2C"), ERROR_SUCCESS);
  ASSERT_EQ(stat(StoreFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, EachStoreFollowsTheEnvironmentOfTheMoment) {
  HKEY key = CreateKey();
  ASSERT_EQ(SetString(key, "LoginID", "in-first"), ERROR_SUCCESS);
  {
    test::ScopedEnv other("SIGNUP_REGISTRY", dir_.File("other.db"));
    EXPECT_EQ(GetString(key, "LoginID"), "<error 1018>") << "the key does not exist there";
    HKEY otherKey = CreateKey();
    ASSERT_EQ(SetString(otherKey, "LoginID", "in-second"), ERROR_SUCCESS);
    RegCloseKey(otherKey);
  }
  EXPECT_EQ(GetString(key, "LoginID"), "in-first");
  RegCloseKey(key);

  // Two stores of different files held open at once (as regtool's round trip does) each keep
  // their own connection, whichever was opened last.
  namespace rs = platform::regstore;
  std::unique_ptr<rs::Store> first, second;
  ASSERT_EQ(rs::Store::Open(true, &first), ERROR_SUCCESS);
  {
    test::ScopedEnv other("SIGNUP_REGISTRY", dir_.File("other.db"));
    ASSERT_EQ(rs::Store::Open(true, &second), ERROR_SUCCESS);
  }
  const std::pair<rs::Store*, const char*> reads[] = {
      {first.get(), "in-first"}, {second.get(), "in-second"}, {first.get(), "in-first"}};
  for (const auto& [store, expected] : reads) {
    ASSERT_EQ(store->Begin(true), ERROR_SUCCESS);
    rs::Value value;
    EXPECT_EQ(store->GetValue(std::string("HKEY_CURRENT_USER\\") + kKey, "LoginID", &value),
              ERROR_SUCCESS);
    EXPECT_EQ(value.data, expected) << "each store reads its own file";
    store->Rollback();
  }
}

// A store path taken by something that is not a store of ours; the test checks it stays so.
struct NotOurs {
  const char* what;
  std::function<void(const std::string& path)> make;
};

void MakeForeignDatabase(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

// What a path holds, to tell that nothing changed it: file bytes, or the kind of thing it is.
std::string Snapshot(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return "<gone>";
  if (S_ISDIR(st.st_mode)) return "<folder>";
  if (S_ISFIFO(st.st_mode)) return "<pipe>";
  return test::ReadFile(path);
}

TEST_F(RegistryTest, AStoreThatIsNotOursIsAnErrorForEveryCallAndIsNeverWritten) {
  std::string garbage(4096, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 37 + 11);
  const NotOurs kinds[] = {
      {"garbage", [&](const std::string& p) { test::WriteFile(p, garbage); }},
      {"a short text", [](const std::string& p) { test::WriteFile(p, "hello\n"); }},
      {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0700); }},
      {"a pipe", [](const std::string& p) { mkfifo(p.c_str(), 0600); }},
      {"another program's database",
       [](const std::string& p) { MakeForeignDatabase(p, "CREATE TABLE notes(t TEXT)"); }},
      {"another program's empty database",
       [](const std::string& p) { MakeForeignDatabase(p, "PRAGMA application_id=1234"); }},
  };
  for (const NotOurs& kind : kinds) {
    SCOPED_TRACE(kind.what);
    test::TempDir dir;
    const std::string path = dir.File("registry.db");
    test::ScopedEnv store("SIGNUP_REGISTRY", path);
    kind.make(path);
    const std::string before = Snapshot(path);

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_BADDB);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "x", nullptr, nullptr, nullptr, &size),
              ERROR_BADDB)
        << "not the emptiness of a store without the value";
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_BADDB);
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "x", 1), ERROR_BADDB);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software"), ERROR_BADDB);

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"get", "HKCU\\Software\\X", "n"},
                                               {"export"},
                                               {"set", "HKCU\\Software\\X", "n", "sz", "v"},
                                               {"delete", "HKCU\\Software\\X"}}) {
      test::ProgramResult r = test::RunRegtool(args);
      EXPECT_EQ(r.exit, 2) << args[0] << ": " << r.err;
      EXPECT_NE(r.err.find("not a registry database"), std::string::npos)
          << args[0] << ": " << r.err;
      EXPECT_TRUE(r.out.empty()) << args[0] << " printed " << r.out;
    }
    EXPECT_EQ(Snapshot(path), before) << "the file is left as it was";
  }
}

TEST_F(RegistryTest, AnEmptyFileIsAStoreStillToBeMade) {
  ASSERT_TRUE(test::WriteFile(StoreFile(), ""));
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "x", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "x", 1), ERROR_SUCCESS);
}

TEST_F(RegistryTest, NamesBeyondTheWindowsLimitsAreRefusedAndNothingIsWritten) {
  HKEY key = CreateKey();
  std::string deep = "Deep";
  for (int level = 1; level < 512; ++level) deep += "\\d";
  const std::string longName(256, 'n');
  struct Limit {
    const char* what;
    std::string key;    // created below HKEY_CURRENT_USER, with the keys on the way
    std::string value;  // then written in kKey
    LONG expected;
  } limits[] = {
      {"a key name of 255 characters", std::string(255, 'k'), "", ERROR_SUCCESS},
      {"a key name of 256 characters", longName, "", ERROR_INVALID_PARAMETER},
      {"512 levels", deep, "", ERROR_SUCCESS},
      {"513 levels", deep + "\\e", "", ERROR_INVALID_PARAMETER},
      {"a value name of 16383 characters", "", std::string(16383, 'v'), ERROR_SUCCESS},
      {"a value name of 16384 characters", "", std::string(16384, 'v'), ERROR_INVALID_PARAMETER},
  };
  for (const Limit& limit : limits) {
    SCOPED_TRACE(limit.what);
    if (!limit.key.empty()) {
      HKEY made = nullptr;
      EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, limit.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &made, nullptr),
                limit.expected);
      if (made) RegCloseKey(made);
      HKEY first = nullptr;
      const std::string top = limit.key.substr(0, limit.key.find('\\'));
      EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, top.c_str(), 0, KEY_READ, &first),
                limit.expected == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
          << "a refused path leaves none of its keys behind";
      if (first) RegCloseKey(first);
      if (limit.expected == ERROR_SUCCESS) {
        test::RunRegtool({"delete", "HKEY_CURRENT_USER\\" + top});
      }
    } else {
      EXPECT_EQ(SetDword(key, limit.value.c_str(), 1), limit.expected);
      EXPECT_EQ(GetString(key, limit.value.c_str()).rfind("<error", 0) == 0,
                limit.expected != ERROR_SUCCESS);
    }
  }
  RegCloseKey(key);
}

// Runs fn in a forked child; returns its wait status.
template <typename Fn>
int InChild(Fn fn) {
  pid_t pid = fork();
  if (pid == 0) _exit(fn());
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kPerWriter = 150;
  RegCloseKey(CreateKey());
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    pid_t pid = fork();
    if (pid == 0) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) _exit(3);
      for (int i = 0; i < kPerWriter; ++i) {
        std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
        if (SetDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS) _exit(4);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed: " << status;
  }
  HKEY key = CreateKey();
  int found = 0;
  char name[32];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    ++found;
  }
  EXPECT_EQ(found, 2 * kPerWriter);
  DWORD v = 0;
  DWORD size = sizeof v;
  ASSERT_EQ(RegQueryValueExA(key, "w1-149", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(v, 149u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, AWriterKilledBeforeItsCommitLeavesThePreviousValues) {
  HKEY key = CreateKey();
  ASSERT_EQ(SetString(key, "LoginID", "kept"), ERROR_SUCCESS);
  const std::string small = "before";
  ASSERT_EQ(RegSetValueExA(key, "Big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(small.data()),
                           static_cast<DWORD>(small.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);

  int status = InChild([] {
    platform::regstore::SetBeforeCommitHookForTest([] { raise(SIGKILL); });
    HKEY k = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &k);
    // Larger than SQLite's page cache, so pages reach the file before the commit.
    std::string big(8 << 20, 'x');
    RegSetValueExA(k, "Big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()),
                   static_cast<DWORD>(big.size()));
    return 0;
  });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child was not killed";
  struct stat st;
  // The store keeps a write-ahead log: the unfinished transaction's pages reached it, not the
  // store file itself.
  ASSERT_EQ(stat((StoreFile() + "-wal").c_str(), &st), 0)
      << "the kill should leave an unfinished transaction behind";
  EXPECT_GT(st.st_size, 4 << 20) << "the pages of the big value were written before the commit";

  key = CreateKey();
  EXPECT_EQ(GetString(key, "LoginID"), "kept");
  char data[16];
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(key, "Big", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(data, size), small);
  EXPECT_EQ(SetString(key, "LoginID", "after"), ERROR_SUCCESS) << "the store is usable again";
  EXPECT_EQ(GetString(key, "LoginID"), "after");
  RegCloseKey(key);
}

}  // namespace

namespace {

// The store stays open between calls: a store removed and made again at the same path (which may
// get the removed file's inode number) by another program is read afresh, never the removed one.
TEST_F(RegistryTest, AStoreRemovedAndMadeAgainIsReadAfresh) {
  for (int round = 0; round < 3; ++round) {
    HKEY key = CreateKey();
    ASSERT_EQ(SetString(key, "Round", "old"), ERROR_SUCCESS);
    RegCloseKey(key);
    for (const char* suffix : {"", "-wal", "-shm"}) unlink((StoreFile() + suffix).c_str());
    ASSERT_EQ(test::RunRegtool({"set", std::string("HKEY_CURRENT_USER\\") + kKey, "Round", "sz",
                                "new " + std::to_string(round)},
                               StoreFile())
                  .exit,
              0);
    key = CreateKey();
    EXPECT_EQ(GetString(key, "Round"), "new " + std::to_string(round))
        << "round " << round << ": the store made again is read, not the removed one";
    RegCloseKey(key);
  }
}

}  // namespace
