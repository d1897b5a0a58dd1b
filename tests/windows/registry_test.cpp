// The registry calls on Windows: values of every type the program stores make the round trip
// through the system's registry, Japanese names and text are kept as Unicode there (not as the
// system code page's guess) and come back as the same CP932 bytes, with the ANSI calls' sizes
// and codes.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kRoot[] = "Software\\SignupWindowsTest";
// "山田" in CP932, and as UTF-16.
const char kYamada[] = "\x8E\x52\x93\x63";
const wchar_t kYamadaWide[] = L"\u5C71\u7530";

class Win32Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kRoot, KEY_ALL_ACCESS), ERROR_SUCCESS);
  }
  void TearDown() override {
    key.Close();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\SignupWindowsTest");
  }
  // The value's type and bytes as the program reads them.
  std::pair<DWORD, std::string> Read(const char* name) {
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    std::string data(size, '\0');
    EXPECT_EQ(RegQueryValueExA(key.get(), name, nullptr, &type,
                               reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    data.resize(size);
    return {type, data};
  }

  platform::RegistryKey key;
};

TEST_F(Win32Registry, EveryTypeTheProgramStoresMakesTheRoundTrip) {
  const DWORD number = 0x12345678;
  const std::string binary("\x00\x01\xFF\x7F", 4);
  const struct {
    const char* name;
    DWORD type;
    std::string written;
    std::string read;  // text comes back with its terminating zero
  } cases[] = {
      {"Text", REG_SZ, "taro01", std::string("taro01", 7)},
      {"Japanese", REG_SZ, kYamada, std::string(kYamada, 5)},
      {"Expand", REG_EXPAND_SZ, "%TEMP%\\x", std::string("%TEMP%\\x", 9)},
      {"Number", REG_DWORD, std::string(reinterpret_cast<const char*>(&number), 4),
       std::string(reinterpret_cast<const char*>(&number), 4)},
      {"Binary", REG_BINARY, binary, binary},
      {"", REG_SZ, "default", std::string("default", 8)},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(RegSetValueExA(key.get(), c.name, 0, c.type,
                             reinterpret_cast<const BYTE*>(c.written.data()),
                             static_cast<DWORD>(c.written.size())),
              ERROR_SUCCESS)
        << c.name;
    const auto [type, data] = Read(c.name);
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(data, c.read) << c.name;
  }
}

TEST_F(Win32Registry, JapaneseTextIsUnicodeInTheRegistryWhateverTheSystemCodePage) {
  ASSERT_EQ(RegSetValueExA(key.get(), kYamada, 0, REG_SZ, reinterpret_cast<const BYTE*>(kYamada),
                           sizeof kYamada),
            ERROR_SUCCESS);
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\SignupWindowsTest", 0, KEY_READ, &raw),
            ERROR_SUCCESS);
  wchar_t stored[16] = {};
  DWORD size = sizeof stored;
  EXPECT_EQ(
      RegQueryValueExW(raw, kYamadaWide, nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size),
      ERROR_SUCCESS)
      << "the value's name is stored as Unicode too";
  RegCloseKey(raw);
  EXPECT_EQ(std::wstring(stored), kYamadaWide) << "ANSI code page " << GetACP();

  char name[32];
  DWORD nameLength = sizeof name;
  ASSERT_EQ(RegEnumValueA(key.get(), 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, nameLength), kYamada) << "enumeration gives the CP932 name back";
}

TEST_F(Win32Registry, SizesAndCodesAreThoseOfTheAnsiCalls) {
  ASSERT_EQ(RegSetValueExA(key.get(), "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(kYamada),
                           sizeof kYamada),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key.get(), "Name", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u) << "four CP932 bytes and the zero, not the stored UTF-16 size";
  char small[2];
  size = sizeof small;
  EXPECT_EQ(
      RegQueryValueExA(key.get(), "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
      ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u) << "the size needed";

  EXPECT_EQ(RegQueryValueExA(key.get(), "Missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  platform::RegistryKey missing;
  EXPECT_EQ(missing.Open(HKEY_CURRENT_USER, "Software\\SignupWindowsTest\\None", KEY_READ),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(missing);
}

TEST_F(Win32Registry, SubkeysWithJapaneseNamesAreEnumeratedAndDeleted) {
  const std::string sub = std::string(kRoot) + "\\" + kYamada;
  platform::RegistryKey child;
  DWORD disposition = 0;
  ASSERT_EQ(child.Create(HKEY_CURRENT_USER, sub.c_str(), KEY_ALL_ACCESS, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  child.Close();
  char name[32];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, length), kYamada);
  length = 2;
  EXPECT_EQ(RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key.get(), 1, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteKeyA(key.get(), kYamada), ERROR_SUCCESS);
  EXPECT_EQ(child.Open(HKEY_CURRENT_USER, sub.c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
}

}  // namespace
