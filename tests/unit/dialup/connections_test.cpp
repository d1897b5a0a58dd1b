// Tests of dial progress texts, error texts, the dial error record and the connection queries
// and hang-ups of the dial-up library binding.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "dial_helpers.h"
#include "res/resources.h"

namespace {

using ConnectionsTest = dialtest::RasTest;

TEST_F(ConnectionsTest, AnUnknownStateShowsTheUndefinedTextAndDoesNotEndTheDial) {
  ASSERT_TRUE(ras.SetOutcome("unknown-state --value 24 --at Authenticate"));
  ASSERT_EQ(DialEntry("net"), 0u);
  bool connected = false;
  auto texts = dialtest::PollToEnd(*library, connected);
  EXPECT_TRUE(connected) << "the dial goes on after the unknown state";
  EXPECT_NE(std::find(texts.begin(), texts.end(), res::String(IDS_RAS_STATE_UNKNOWN)), texts.end())
      << "state 24 reads as text 14500";
}

TEST_F(ConnectionsTest, ErrorTextsFallBackWhenTheLibraryHasNone) {
  std::string text;
  EXPECT_EQ(library->GetErrorText(0, 0, text), 756u);
  EXPECT_EQ(text, "Fail to get error string");

  EXPECT_NE(library->GetErrorText(1, 7, text), 0u) << "the library knows no text for code 1";
  EXPECT_EQ(text, "Fail to get error string Extended Error Code: 7");

  EXPECT_EQ(library->GetErrorText(ERROR_LINE_BUSY, 0, text), 0u);
  EXPECT_EQ(text.find("Extended"), std::string::npos) << "no suffix without an extended code";
}

TEST(DialErrorRecordTest, ConcurrentReportsKeepOneWholePair) {
  // Each reporter's extended code belongs to its own error code; the record must never pair
  // one reporter's code with another's extended code.
  for (int round = 0; round < 50; ++round) {
    RasLibrary::ResetDialError();
    std::vector<std::thread> reporters;
    for (DWORD code = 600; code < 608; ++code) {
      reporters.emplace_back([code] {
        for (int i = 0; i < 20; ++i)
          RasLibrary::DialNotifier(1, WM_RASDIALEVENT, RASCS_ConnectDevice, code, code + 1000);
      });
    }
    for (auto& t : reporters) t.join();
    DWORD code = 0, extended = 0;
    ASSERT_TRUE(RasLibrary::GetDialError(code, extended));
    ASSERT_EQ(extended, code + 1000) << "round " << round;
  }
  RasLibrary::ResetDialError();
  RasLibrary::DialNotifier(1, WM_RASDIALEVENT, RASCS_OpenPort, 0, 9);
  DWORD code = 0, extended = 0;
  EXPECT_FALSE(RasLibrary::GetDialError(code, extended)) << "progress without an error is ignored";
}

TEST_F(ConnectionsTest, HangUpByNameIgnoresCaseAndFailsForUnknownNames) {
  unsigned other = ras.Connect("Office");
  ASSERT_NE(other, 0u);
  EXPECT_FALSE(library->HangUp("home")) << "no own handle and no such connection";
  EXPECT_EQ(ras.ListedConnections().size(), 1u);

  HRASCONN found = 0;
  EXPECT_TRUE(library->FindConnection("OFFICE", found));
  EXPECT_EQ(found, other);
  EXPECT_TRUE(library->IsConnected("office"));
  EXPECT_TRUE(library->HangUp("oFFice"));
  EXPECT_TRUE(ras.ListedConnections().empty());
  EXPECT_FALSE(library->IsConnected("office"));
}

TEST_F(ConnectionsTest, HangUpPrefersTheOwnConnection) {
  ASSERT_NE(ras.Connect("Office"), 0u);
  ASSERT_EQ(DialEntry("net"), 0u);
  bool connected = false;
  dialtest::PollToEnd(*library, connected);
  ASSERT_TRUE(connected);
  EXPECT_TRUE(library->HangUp("Office")) << "the own handle goes, whatever the name";
  EXPECT_EQ(library->connection(), 0u);
  auto listed = ras.ListedConnections();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].entry, "Office");
}

TEST_F(ConnectionsTest, HangUpAllEndsEveryConnectionAndNamesTheFirst) {
  ras.Connect("first");
  ras.Connect("second");
  std::string name;
  EXPECT_TRUE(library->HangUpAll(false, &name)) << "asking only";
  EXPECT_EQ(name, "first");
  EXPECT_EQ(ras.ListedConnections().size(), 2u) << "asking hangs nothing up";
  EXPECT_TRUE(library->HangUpAll(true));
  EXPECT_TRUE(ras.ListedConnections().empty());
  EXPECT_FALSE(library->HangUpAll(true)) << "nothing left to hang up";
}

TEST_F(ConnectionsTest, EveryConnectionIsHungUpHoweverMany) {
  // Beyond the ten slots of the first enumeration, the buffer grows to what the library reports.
  for (int count : {11, 100}) {
    SCOPED_TRACE(count);
    for (int i = 0; i < count; ++i) ASSERT_NE(ras.Connect("c" + std::to_string(i)), 0u);
    std::string first;
    EXPECT_TRUE(library->IsConnected(""));
    EXPECT_TRUE(library->HangUpAll(false, &first));
    EXPECT_EQ(first, "c0") << "the first connection still names message 14608";
    HRASCONN found = 0;
    EXPECT_TRUE(library->FindConnection("c" + std::to_string(count - 1), found));
    EXPECT_TRUE(library->HangUpAll(true));
    EXPECT_TRUE(ras.ListedConnections().empty()) << "a connection was left up";
  }
}

}  // namespace
