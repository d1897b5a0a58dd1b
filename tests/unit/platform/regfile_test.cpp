// Tests of the .reg text of the registry store: an export imports back to the same store, byte for
// byte, whatever names and data the store holds; the registry editor's version 5 files; and what
// an import refuses (names beyond the registry's limits, the deletion of a root key).
#include "regfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace rs = platform::regstore;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// A store file of its own for each name, opened for writing in one transaction.
class StoreFiles {
 public:
  std::unique_ptr<rs::Store> Open(const std::string& name) {
    env_ = std::make_unique<test::ScopedEnv>("SIGNUP_REGISTRY", dir_.File(name));
    std::unique_ptr<rs::Store> store;
    EXPECT_EQ(rs::Store::Open(true, &store), ERROR_SUCCESS) << name;
    if (store) {
      EXPECT_EQ(store->Begin(true), ERROR_SUCCESS);
    }
    return store;
  }

 private:
  test::TempDir dir_;
  std::unique_ptr<test::ScopedEnv> env_;
};

std::string ExportOf(rs::Store& store) {
  std::string text;
  EXPECT_EQ(regfile::Export(store, nullptr, &text), ERROR_SUCCESS);
  return text;
}

// Names and texts the .reg grammar has to take care of.
const std::vector<std::string>& Awkward() {
  static const std::vector<std::string> names = {
      "\n[-HKEY_CURRENT_USER]",
      "a\r\nb",
      "%",
      "%25",
      "%0A",
      "%%0a",
      "\\x0a",
      "\"quoted\"",
      "]",
      "[x]",
      "@",
      " lead",
      "trail ",
      "\t",
      std::string("z\0z", 3),
      std::string(1, '\0'),
      U8(u8"山田太郎"),
      "-",
      ";not a comment",
      "=",
      "\x7f",
      "\xff\xfe",
      "back\\slash",
  };
  return names;
}

// Random stores, each from its own seed, so that a failure can be replayed.
class RandomStore {
 public:
  explicit RandomStore(unsigned seed) : rng_(seed) {}

  void Fill(rs::Store& store) {
    std::vector<std::string> keys = rs::Roots();
    for (int k = Below(24); k >= 0; --k) {
      std::string path = keys[Below(static_cast<int>(keys.size()) - 1)] + "\\" + Name(true);
      if (rs::CheckKeyPath(path) != ERROR_SUCCESS) continue;
      bool created = false;
      ASSERT_EQ(store.CreateKey(path, &created), ERROR_SUCCESS) << path;
      keys.push_back(path);
    }
    for (const std::string& key : keys) {
      for (int v = Below(4); v > 0; --v) ASSERT_EQ(store.SetValue(key, Value()), ERROR_SUCCESS);
    }
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }

  std::string Bytes(int length, bool key) {
    static const std::string kAlphabet =
        std::string("\0\t\n\r\x1b\x7f", 6) + "%\"\\[]@=;- abcXYZ019" + "\x80\xe5\xb1\xb1\xff";
    std::string out;
    while (static_cast<int>(out.size()) < length) {
      char c = kAlphabet[Below(static_cast<int>(kAlphabet.size()) - 1)];
      if (!(key && c == '\\')) out += c;
    }
    return out;
  }

  std::string Name(bool key) {
    std::string name;
    switch (Below(5)) {
      case 0:
        name = Awkward()[Below(static_cast<int>(Awkward().size()) - 1)];
        break;
      case 1:
        name = std::string(key ? rs::kMaxKeyNameLength : 2000, 'n');
        break;
      default:
        name = Bytes(1 + Below(12), key);
    }
    if (key) std::erase(name, '\\');
    return key && name.empty() ? "k" : name;
  }

  rs::Value Value() {
    static const DWORD kTypes[] = {
        REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ, REG_NONE, 11, 0x12345};
    rs::Value v;
    v.name = Below(6) == 0 ? std::string() : Name(false);
    v.type = kTypes[Below(8)];
    v.data = v.type == REG_DWORD && Below(3) != 0 ? Bytes(4, false)
             : Below(4) == 0 ? Awkward()[Below(static_cast<int>(Awkward().size()) - 1)]
                             : Bytes(Below(20), false);
    return v;
  }

  std::mt19937 rng_;
};

TEST(RegfileTest, ExportImportExportIsByteIdenticalForRandomStores) {
  StoreFiles files;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto original = files.Open("original-" + std::to_string(seed) + ".db");
    ASSERT_TRUE(original);
    RandomStore(seed).Fill(*original);
    const std::string first = ExportOf(*original);

    std::vector<regfile::Operation> ops;
    std::string error;
    ASSERT_TRUE(regfile::Parse(first, &ops, &error)) << error << "\n" << first;
    auto copy = files.Open("copy-" + std::to_string(seed) + ".db");
    ASSERT_TRUE(copy);
    ASSERT_EQ(regfile::Apply(*copy, ops), ERROR_SUCCESS);
    ASSERT_EQ(ExportOf(*copy), first);
  }
}

// A .reg text in UTF-16LE with its byte-order mark, as the registry editor writes it.
std::string Utf16Le(const std::string& ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(RegfileTest, TheRegistryEditorsVersion5FilesImportInBothEncodings) {
  // hex(2) "%TEMP%" and hex(7) "a", "b" in UTF-16LE; the quoted string is plain text.
  const std::string body =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orvel]\r\n"
      "\"Name\"=\"Taro\"\r\n"
      "\"Count\"=dword:0000001f\r\n"
      "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Wide\"=hex(1):71,5c,30,75,00,00\r\n\r\n";
  for (const std::string& file : {Utf16Le(body), body, "\xEF\xBB\xBF" + body}) {
    std::vector<regfile::Operation> ops;
    std::string error;
    ASSERT_TRUE(regfile::Parse(file, &ops, &error)) << error;
    ASSERT_EQ(ops.size(), 6u);
    EXPECT_EQ(ops[1].value.data, "Taro");
    EXPECT_EQ(ops[2].value.data, regfile::DwordBytes(31));
    EXPECT_EQ(ops[3].value.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(ops[3].value.data, "%TEMP%") << "UTF-16 text, its terminating zero dropped";
    EXPECT_EQ(ops[4].value.data, std::string("a\0b\0\0", 5));
    EXPECT_EQ(ops[5].value.data, U8(u8"山田")) << "kept as UTF-8 like every string";
  }
}

TEST(RegfileTest, AnImportRefusesWhatTheRegistryWouldRefuse) {
  const std::string deep = [] {
    std::string path = "HKEY_CURRENT_USER";
    for (size_t i = 0; i <= rs::kMaxKeyDepth; ++i) path += "\\k";
    return path;
  }();
  const struct {
    std::string lines;
    std::string message;
  } refused[] = {
      {"[-HKEY_CURRENT_USER]", "line 3: a root key cannot be deleted"},
      {"[-HKLM\\]", "line 3: a root key cannot be deleted"},
      {"[HKEY_CURRENT_USER\\" + std::string(rs::kMaxKeyNameLength + 1, 'n') + "]",
       "line 3: a key name is longer than 255 characters"},
      {"[" + deep + "]", "line 3: the key path is deeper than 512 levels"},
      {"[HKEY_CURRENT_USER\\Software]\n\"" + std::string(rs::kMaxValueNameLength + 1, 'v') +
           "\"=\"x\"",
       "line 4: a value name is longer than 16383 characters"},
  };
  for (const auto& [lines, message] : refused) {
    std::vector<regfile::Operation> ops;
    std::string error;
    EXPECT_FALSE(regfile::Parse("REGEDIT4\n\n" + lines + "\n", &ops, &error)) << message;
    EXPECT_EQ(error, message);
  }
  std::vector<regfile::Operation> odd;
  std::string oddError;
  EXPECT_FALSE(
      regfile::Parse("Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n"
                     "\"odd\"=hex(2):41\n",
                     &odd, &oddError))
      << "UTF-16 text has an even number of bytes";
  EXPECT_EQ(oddError, "line 3: bad value data");
  // At the limits themselves everything is taken; a name counts UTF-16 characters, not bytes.
  std::vector<regfile::Operation> ops;
  std::string error;
  std::string wide;
  for (size_t i = 0; i < rs::kMaxKeyNameLength; ++i) wide += U8(u8"山");
  EXPECT_TRUE(regfile::Parse(
      "REGEDIT4\n[HKEY_CURRENT_USER\\" + wide + "]\n[" + deep.substr(0, deep.size() - 2) + "]\n",
      &ops, &error))
      << error;
}

}  // namespace
