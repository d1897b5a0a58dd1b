// What a signup leaves in the settings store when saving goes wrong: a kill inside the save of a
// new account, and a store whose writes fail.
#include <gtest/gtest.h>

#include <string>

#include "res/resources.h"
#include "settings/SignSettings.h"
#include "support/flow_fixture.h"

namespace {

using test::kNetInfoKey;

// Values an earlier run left under NetInfo (the LAN settings of its details dialog), before any
// account was issued.
const char kOldNetInfo[] =
    "\"ModemName\"=\"Old Modem\"\n\"ConnectType\"=\"Lan\"\n\"Protocol\"=\"tcp\"\n"
    "\"Proxy_host\"=\"proxy.example\"\n\"Proxy_port\"=\"8080\"\n\"PrimaryDNS\"=\"198.51.100.1\"\n";

// The signup's saves, counted as the store's fault plan counts sets: the user's entries, the new
// account after the signup, the account with its communication ID.
constexpr int kAccountSave = 2;

std::string NetInfoExport(test::SignupWorld& world) {
  std::string out;
  world.run.Regtool({"export", kNetInfoKey}, &out);
  return out;
}

// A signup's world whose store holds the old values; null when it cannot be made.
std::unique_ptr<test::SignupWorld> SeededWorld() {
  auto world = std::make_unique<test::SignupWorld>();
  if (!world->problem().empty() ||
      !world->run.Import(std::string("REGEDIT4\n\n[") + kNetInfoKey + "]\n" + kOldNetInfo))
    return nullptr;
  return world;
}

// How the transcript begins the line of a stop box with this text and any code after it.
std::string StopBoxPrefix(UINT stringId) {
  const std::string line = test::MessageLine("stop", res::String(stringId));
  return line.substr(0, line.size() - std::string("\" ok").size());
}

std::string LanSignup(const test::UserEntries& entries) {
  return std::string(test::scenario::kLanNext) + test::scenario::kAgree +
         test::scenario::SignupToEnd(entries, "かな");
}

// NetInfo holds the account the server issued, every value of it, beside the old connection
// settings: the new set whole.
void ExpectNewSetWhole(test::SignupWorld& world, const std::string& where) {
  const std::string login = world.Get(kNetInfoKey, "LoginID").value_or("");
  const std::string password =
      CSignSettings::ScrambleText(world.Get(kNetInfoKey, "LoginPasswd").value_or(""), 0);
  const auto server = test::AccountOnServer(world.provider, login, password);
  ASSERT_FALSE(server.empty()) << where << ": the stored login " << login << " is the server's";
  for (const auto& [name, value] : test::StoredNetInfoOf(server))
    EXPECT_EQ(world.Get(kNetInfoKey, name).value_or("(none)"), value) << where << ": " << name;
  EXPECT_EQ(world.Get(kNetInfoKey, "ModemName"), "Old Modem") << where;
}

TEST(SavingFlowTest, AKillAtAnyPointOfTheAccountSaveLeavesTheOldOrTheNewSetWhole) {
  int killed = 0;
  for (int point = 1; point <= 60; ++point) {
    auto world = SeededWorld();
    ASSERT_NE(world, nullptr);
    const std::string old = NetInfoExport(*world);
    world->run.SetEnv("SIGNUP_REGISTRY_FAULT",
                      "kill:" + std::to_string(kAccountSave) + ":" + std::to_string(point));
    test::UserEntries entries;
    entries.account = "k" + std::to_string(point) + "a";
    const test::FlowResult r = world->Play(LanSignup(entries));
    const std::string where = "killed at write " + std::to_string(point);
    if (r.exitCode == 0) {
      // The save had fewer points than this: it ran to its end.
      ExpectNewSetWhole(*world, "not killed");
      EXPECT_GT(killed, 3) << "the save was cut at several points before it could end";
      return;
    }
    ++killed;
    if (NetInfoExport(*world) != old) ExpectNewSetWhole(*world, where);
  }
  FAIL() << "the save never ran to its end";
}

TEST(SavingFlowTest, AStoreThatRefusesTheSaveIsSaidWhileTheAccountStaysOnScreen) {
  auto world = SeededWorld();
  ASSERT_NE(world, nullptr);
  const std::string old = NetInfoExport(*world);
  // Every set from the account's save on fails as on a full disk.
  world->run.SetEnv("SIGNUP_REGISTRY_FAULT", "full:" + std::to_string(kAccountSave));
  test::UserEntries entries;
  const test::FlowResult r =
      world->Play(std::string(test::scenario::kLanNext) + test::scenario::kAgree + "wait page 2\n" +
                  test::scenario::TypeUserEntries(entries) + R"(
click 0x3024
wait page 3
click 0x3024
wait message "保存できませんでした"
answer ok
wait page 4
expect text 1072 "taro01"
type 1062 "かな"
click 0x3024
wait page 5
click 0x3024
wait message "保存できませんでした"
answer ok
wait page 6
expect text 1063 "taro01"
)" + test::scenario::kFinish);
  EXPECT_EQ(r.exitCode, 0) << r.transcript << r.stderrText;
  EXPECT_EQ(test::TranscriptLines(r.transcript, StopBoxPrefix(IDS_ISSUED_NOT_STORED)).size(), 2u)
      << "both saves of the account were said to have failed:\n"
      << r.transcript;
  EXPECT_EQ(NetInfoExport(*world), old) << "the old settings are left as they were";
  EXPECT_EQ(world->Get(test::kSignupKey, "MekoID"), "taro01") << "the entries' save went through";
}

TEST(SavingFlowTest, EachSaveOfTheAccountIsOnTheDiskBeforeTheWizardGoesOn) {
  auto world = SeededWorld();
  ASSERT_NE(world, nullptr);
  const std::string trace = world->run.dir().File("syncs.trace");
  // The leak checker of a sanitizer build cannot run under a tracer.
  world->run.SetEnv("ASAN_OPTIONS", "detect_leaks=0");
  world->run.SetWrapper(
      {"strace", "-f", "-y", "-qq", "-e", "trace=fsync,fdatasync", "-o", trace, "--"});
  const test::FlowResult r = world->Play(LanSignup(test::UserEntries{}));
  const std::string syncs = test::ReadFile(trace);
  if (r.exitCode != 0 && syncs.empty())
    GTEST_SKIP() << "strace cannot trace here: " << r.stderrText;
  ASSERT_EQ(r.exitCode, 0) << r.transcript << r.stderrText;
  // The entries, the new account and the account with its communication ID: each commit waits for
  // its log; folding the log into the store at the end syncs once more.
  size_t logSyncs = 0;
  for (size_t at = 0; (at = syncs.find("registry.db-wal>", at)) != std::string::npos; ++at)
    ++logSyncs;
  EXPECT_GE(logSyncs, 3u + 1u) << syncs;
}

}  // namespace
