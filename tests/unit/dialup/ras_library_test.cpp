// Tests of the dial-up library binding: loading, completeness, unloading and the settings
// record's probe, against the simulated library.
#include <gtest/gtest.h>

#include "app/SignApp.h"
#include "dial_helpers.h"
#include "dialup/RasLibrary.h"
#include "platform/codepage.h"
#include "support/ras_fixture.h"

namespace {

TEST(RasLibraryTest, ResolvesAllEntryPointsOfTheCompleteLibrary) {
  test::RasFixture ras;
  RasLibrary library;
  EXPECT_TRUE(library.IsComplete()) << "every one of the 14 names is exported";
  EXPECT_NE(library.Unload(), 0) << "FreeLibrary's TRUE comes back";
  EXPECT_FALSE(library.IsComplete()) << "an unloaded library is no longer usable";
  EXPECT_EQ(library.Unload(), 0) << "a second unload has nothing to free";
}

TEST(RasLibraryTest, ALibraryLackingOneEntryPointIsIncomplete) {
  test::RasFixture ras(test::RasFixture::Build::kIncomplete);
  RasLibrary library;
  EXPECT_FALSE(library.IsComplete()) << "RasGetProjectionInfoA is missing";
}

TEST(RasLibraryTest, AMissingLibraryLeavesAnUnloadedObject) {
  test::TempDir dir;
  test::ScopedEnv env("SIGNUP_RASAPI32", dir.File("absent.so"));
  RasLibrary library;
  EXPECT_FALSE(library.IsComplete());
  EXPECT_EQ(library.Unload(), 0) << "nothing was loaded, so nothing is freed";
}

TEST(RasLibraryTest, SettingsRecordNotesWhetherTheLibraryLoads) {
  {
    test::RasFixture ras;
    CSignSettings settings;
    EXPECT_EQ(settings.statusFlags, CSignSettings::kStatusDialupAvailable)
        << "only the dial-up bit is set";
  }
  {
    test::RasFixture ras(test::RasFixture::Build::kIncomplete);
    CSignSettings settings;
    EXPECT_NE(settings.statusFlags & CSignSettings::kStatusDialupAvailable, 0)
        << "the probe only loads the library; completeness is checked later";
  }
  test::TempDir dir;
  test::ScopedEnv env("SIGNUP_RASAPI32", dir.File("absent.so"));
  CSignSettings settings;
  EXPECT_EQ(settings.statusFlags, 0) << "no library, no dial-up";
}

TEST(RasLibraryTest, AConnectionOutlivesTheObjectAndALaterObjectEndsIt) {
  test::RasFixture ras;
  ASSERT_TRUE(ras.AddModem("Modem A"));
  {
    RasLibrary first;
    ASSERT_TRUE(first.IsComplete());
    ASSERT_EQ(first.CreateEntry("net", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "123", ""), 0u);
    ASSERT_EQ(first.Dial("net", &RasLibrary::DialNotifier, "123", "u", "p", "", ""), 0u);
    bool connected = false;
    dialtest::PollToEnd(first, connected);
    ASSERT_TRUE(connected);
  }
  ASSERT_EQ(ras.ListedConnections().size(), 1u) << "destroying the object does not hang up";

  RasLibrary second;
  EXPECT_TRUE(second.IsConnected("")) << "the new object finds it by enumeration";
  EXPECT_TRUE(second.HangUpAll(true));
  EXPECT_TRUE(ras.ListedConnections().empty());
  EXPECT_FALSE(second.IsConnected(""));
}

TEST(TextFieldsTest, CaseIsIgnoredOnlyForSingleByteLetters) {
  EXPECT_TRUE(platform::EqualsNoCase("Modem", "MODEM"));
  EXPECT_FALSE(platform::EqualsNoCase("Modem", "Modem2"));
  // A double-byte character whose second byte is 'a' differs from one whose second byte is 'A'.
  EXPECT_FALSE(platform::EqualsNoCase("\x83\x61", "\x83\x41"));
  EXPECT_TRUE(platform::EqualsNoCase("x\x83\x61Y", "X\x83\x61y"));
}

TEST(TextFieldsTest, CopiesAreCutAtACharacterBoundaryAndTerminated) {
  char field[4];
  dialup::CopyField(field, "abcdef");
  EXPECT_STREQ(field, "abc");
  dialup::CopyField(field, "ab\x83\x61");
  EXPECT_STREQ(field, "ab") << "half a double-byte character is not kept";
  char tail[3] = {'x', 'y', 'z'};
  EXPECT_EQ(dialup::FieldText(tail), "xyz") << "an unterminated field is read to its end only";
}

}  // namespace
