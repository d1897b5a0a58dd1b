// Tests of the owning registry key: open and create results, and that every key it held is closed
// exactly once, whether it goes out of scope, is reopened or is moved.
#include <gtest/gtest.h>

#include <utility>

#include "platform/registry.h"
#include "support/test_support.h"

namespace {

const char kKey[] = "Software\\Orvel\\Lumipass\\KeyTest";

class RegistryKeyTest : public ::testing::Test {
 protected:
  // A handle that is still open can be closed; a closed one is no longer known.
  static bool IsOpen(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }

  test::TempDir dir_;
  test::ScopedEnv env_{"SIGNUP_REGISTRY", dir_.File("registry.db")};
};

TEST_F(RegistryKeyTest, OpenAndCreateReportTheRegistryResult) {
  platform::RegistryKey key;
  EXPECT_FALSE(key) << "a new object holds no key";
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, kKey, KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key) << "a failed open leaves no key";
  EXPECT_EQ(key.get(), nullptr);

  DWORD disposition = 0;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS, &disposition), ERROR_SUCCESS);
  EXPECT_TRUE(key);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  const DWORD value = 7;
  EXPECT_EQ(RegSetValueExA(key.get(), "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value),
            ERROR_SUCCESS)
      << "get() is a handle the Reg* calls take";

  platform::RegistryKey again;
  EXPECT_EQ(again.Create(HKEY_CURRENT_USER, kKey, KEY_READ, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(again.Open(HKEY_CURRENT_USER, kKey, KEY_READ), ERROR_SUCCESS);
  EXPECT_TRUE(again);
}

TEST_F(RegistryKeyTest, EveryKeyHeldIsClosedOnce) {
  HKEY scoped = nullptr;
  {
    platform::RegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS), ERROR_SUCCESS);
    scoped = key.get();
  }
  EXPECT_FALSE(IsOpen(scoped)) << "closed at the end of its scope";

  platform::RegistryKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kKey, KEY_READ), ERROR_SUCCESS);
  HKEY first = key.get();
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(IsOpen(first)) << "opening again closes the key held before, even on failure";
  EXPECT_FALSE(key);

  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kKey, KEY_READ), ERROR_SUCCESS);
  HKEY moved = key.get();
  platform::RegistryKey owner(std::move(key));
  EXPECT_FALSE(key) << "a moved-from key holds nothing";
  EXPECT_EQ(owner.get(), moved);

  platform::RegistryKey other;
  ASSERT_EQ(other.Open(HKEY_CURRENT_USER, kKey, KEY_READ), ERROR_SUCCESS);
  HKEY replaced = other.get();
  other = std::move(owner);
  EXPECT_FALSE(IsOpen(replaced)) << "move assignment closes the key it replaces";
  EXPECT_EQ(other.get(), moved);
  other.Close();
  EXPECT_FALSE(other);
  EXPECT_FALSE(IsOpen(moved)) << "Close() closes it";
  other.Close();  // nothing held: nothing happens
}

}  // namespace
