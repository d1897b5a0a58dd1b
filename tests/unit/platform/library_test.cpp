// Tests of the run-time library loader (LoadLibraryA, GetProcAddress, FreeLibrary).
#include "platform/library.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

TEST(LibraryTest, DialUpLibraryIsFoundBesideTheExecutableInAnyLetterCase) {
  test::ScopedEnv none("SIGNUP_RASAPI32", std::nullopt);
  for (const char* name : {"rasapi32.dll", "RASAPI32.DLL", "RasApi32.Dll"}) {
    HMODULE module = LoadLibraryA(name);
    ASSERT_NE(module, nullptr) << name << " should load build/bin/rasapi32.so";
    EXPECT_NE(GetProcAddress(module, "RasDialA"), nullptr) << "RasDialA should be exported";
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(LibraryTest, EnvironmentChoosesTheDialUpLibraryAndAMissingOneFailsCleanly) {
  {
    test::ScopedEnv chosen("SIGNUP_RASAPI32",
                           std::string(SIGNUP_BIN_DIR) + "/rasapi32_incomplete.so");
    HMODULE module = LoadLibraryA("rasapi32.dll");
    ASSERT_NE(module, nullptr) << "the library named by SIGNUP_RASAPI32 should load";
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, "RasGetProjectionInfoA"), nullptr)
        << "the incomplete build lacks RasGetProjectionInfoA";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    FreeLibrary(module);
  }
  test::TempDir dir;
  test::ScopedEnv missing("SIGNUP_RASAPI32", dir.File("rasapi32.so"));
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("rasapi32.dll"), nullptr) << "a missing library must not be searched for";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(LibraryTest, UnknownLibrariesAndBadHandlesReportTheirErrors) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("nosuchlibrary.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryA(""), nullptr) << "an empty name loads nothing";
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(nullptr, "RasDialA"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
