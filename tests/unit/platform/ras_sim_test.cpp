// Tests of the simulated dial-up library as the program sees it: loaded by name through
// LoadLibraryA, with its devices, phone book, dial progress, notifier and connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/library.h"
#include "platform/ras.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"

namespace {

// The 14 entry points, resolved the way the program resolves them.
struct Ras {
  HMODULE module = LoadLibraryA("rasapi32.dll");
  PFN_RasEnumEntriesA EnumEntries = Get<PFN_RasEnumEntriesA>("RasEnumEntriesA");
  PFN_RasEnumConnectionsA EnumConnections = Get<PFN_RasEnumConnectionsA>("RasEnumConnectionsA");
  PFN_RasGetConnectStatusA GetConnectStatus = Get<PFN_RasGetConnectStatusA>("RasGetConnectStatusA");
  PFN_RasHangUpA HangUp = Get<PFN_RasHangUpA>("RasHangUpA");
  PFN_RasGetErrorStringA GetErrorString = Get<PFN_RasGetErrorStringA>("RasGetErrorStringA");
  PFN_RasDialA Dial = Get<PFN_RasDialA>("RasDialA");
  PFN_RasEnumDevicesA EnumDevices = Get<PFN_RasEnumDevicesA>("RasEnumDevicesA");
  PFN_RasSetEntryPropertiesA SetEntryProperties =
      Get<PFN_RasSetEntryPropertiesA>("RasSetEntryPropertiesA");
  PFN_RasGetEntryPropertiesA GetEntryProperties =
      Get<PFN_RasGetEntryPropertiesA>("RasGetEntryPropertiesA");
  PFN_RasValidateEntryNameA ValidateEntryName =
      Get<PFN_RasValidateEntryNameA>("RasValidateEntryNameA");
  PFN_RasDeleteEntryA DeleteEntry = Get<PFN_RasDeleteEntryA>("RasDeleteEntryA");
  PFN_RasSetEntryDialParamsA SetEntryDialParams =
      Get<PFN_RasSetEntryDialParamsA>("RasSetEntryDialParamsA");
  PFN_RasGetEntryDialParamsA GetEntryDialParams =
      Get<PFN_RasGetEntryDialParamsA>("RasGetEntryDialParamsA");
  PFN_RasGetProjectionInfoA GetProjectionInfo =
      Get<PFN_RasGetProjectionInfoA>("RasGetProjectionInfoA");

  Ras() = default;
  Ras(const Ras&) = delete;
  Ras& operator=(const Ras&) = delete;
  ~Ras() {
    if (module != nullptr) FreeLibrary(module);
  }

  template <typename F>
  F Get(const char* name) {
    return module == nullptr ? nullptr : reinterpret_cast<F>(GetProcAddress(module, name));
  }
  bool Complete() const {
    return module && EnumEntries && EnumConnections && GetConnectStatus && HangUp &&
           GetErrorString && Dial && EnumDevices && SetEntryProperties && GetEntryProperties &&
           ValidateEntryName && DeleteEntry && SetEntryDialParams && GetEntryDialParams &&
           GetProjectionInfo;
  }

  // Polls once; the state reached, or -1 when the call failed.
  int Poll(HRASCONN h, DWORD* error = nullptr, DWORD* result = nullptr) {
    RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    DWORD rc = GetConnectStatus(h, &status);
    if (result) *result = rc;
    if (error) *error = status.dwError;
    return rc == 0 ? status.rasconnstate : -1;
  }

  std::vector<RASCONNA> Connections() {
    DWORD cb = 0, count = 0;
    EnumConnections(nullptr, &cb, &count);
    std::vector<RASCONNA> list(count + 1);
    list[0].dwSize = sizeof(RASCONNA);
    cb = static_cast<DWORD>(list.size() * sizeof(RASCONNA));
    if (EnumConnections(list.data(), &cb, &count) != 0) return {};
    list.resize(count);
    return list;
  }
};

struct Notice {
  std::thread::id thread;
  HRASCONN handle;
  UINT message;
  int state;
  DWORD error;
  DWORD extended;
};

// What the notifier has been told; the notifier is a plain function, so this is shared.
std::mutex g_notice_mutex;
std::vector<Notice> g_notices;

void Notifier(HRASCONN handle, UINT message, RASCONNSTATE state, DWORD error, DWORD extended) {
  std::lock_guard<std::mutex> lock(g_notice_mutex);
  g_notices.push_back({std::this_thread::get_id(), handle, message, state, error, extended});
}

std::vector<Notice> Notices() {
  std::lock_guard<std::mutex> lock(g_notice_mutex);
  return g_notices;
}

class RasSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard<std::mutex> lock(g_notice_mutex);
    g_notices.clear();
    ASSERT_TRUE(ras_.AddModem(modem_)) << "the rassim tool should add a modem";
  }

  // Writes an entry on the modem as the program does, with the account saved as dial params.
  void MakeEntry(Ras& api, const std::string& name, const std::string& phone) {
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    entry.dwfOptions = RASEO_IpHeaderCompression | RASEO_RemoteDefaultGateway |
                       RASEO_SwCompression | RASEO_RequireEncryptedPw;
    entry.dwfNetProtocols = RASNP_Ip;
    entry.dwFramingProtocol = RASFP_Ppp;
    std::strcpy(entry.szLocalPhoneNumber, phone.c_str());
    std::strcpy(entry.szDeviceType, RASDT_Modem);
    std::strcpy(entry.szDeviceName, modem_.c_str());
    ASSERT_EQ(api.SetEntryProperties(nullptr, name.c_str(), &entry, sizeof entry, nullptr, 0), 0u);
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, name.c_str());
    std::strcpy(params.szUserName, "pcsignup");
    std::strcpy(params.szPassword, "tqwmzhle");
    ASSERT_EQ(api.SetEntryDialParams(nullptr, &params, FALSE), 0u);
  }

  HRASCONN Dial(Ras& api, const std::string& name, const std::string& phone) {
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, name.c_str());
    std::strcpy(params.szPhoneNumber, phone.c_str());
    std::strcpy(params.szUserName, "pcsignup");
    std::strcpy(params.szPassword, "tqwmzhle");
    HRASCONN h = 0;
    EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&Notifier), &h), 0u)
        << "RasDialA should start the dial";
    return h;
  }

  test::RasFixture ras_;
  std::string modem_ = test::Sjis("標準 56000 bps モデム");
};

TEST_F(RasSimTest, BothBuildsLoadByNameAndOnlyTheIncompleteOneLacksProjectionInfo) {
  {
    Ras api;
    EXPECT_TRUE(api.Complete()) << "the complete build exports all 14 entry points";
  }
  test::RasFixture incomplete(test::RasFixture::Build::kIncomplete);
  Ras api;
  ASSERT_NE(api.module, nullptr);
  EXPECT_EQ(api.GetProjectionInfo, nullptr) << "RasGetProjectionInfoA must be missing";
  EXPECT_NE(api.Dial, nullptr) << "the other entry points are still there";
  EXPECT_NE(api.GetEntryDialParams, nullptr);
}

TEST_F(RasSimTest, DeviceEnumerationFollowsTheSizeProtocol) {
  ASSERT_TRUE(ras_.AddDevice("ISDN1", "isdn"));
  ASSERT_TRUE(ras_.AddDevice("WAN Miniport", "vpn"));
  Ras api;
  DWORD cb = 0, count = 0;
  EXPECT_EQ(api.EnumDevices(nullptr, &cb, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(count, 3u) << "a null buffer learns the count";
  EXPECT_EQ(cb, 3u * 152u) << "and the size needed";

  std::vector<RASDEVINFOA> devices(3);
  devices[0].dwSize = 152;
  cb = 152;
  EXPECT_EQ(api.EnumDevices(devices.data(), &cb, &count),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(cb, 456u);
  devices[0].dwSize = 151;
  cb = 456;
  EXPECT_EQ(api.EnumDevices(devices.data(), &cb, &count), static_cast<DWORD>(ERROR_INVALID_SIZE));
  devices[0].dwSize = 152;
  ASSERT_EQ(api.EnumDevices(devices.data(), &cb, &count), 0u);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(devices[0].szDeviceName, modem_) << "CP932 names come back byte for byte";
  EXPECT_STREQ(devices[0].szDeviceType, "modem");
  EXPECT_STREQ(devices[1].szDeviceName, "ISDN1");
  EXPECT_STREQ(devices[2].szDeviceType, "vpn");
}

TEST_F(RasSimTest, EntriesAndDialParamsPersistAcrossUnloadAndAreValidatedByName) {
  const std::string name = test::Sjis("ソフト接続");  // "ソ" has the trail byte 0x5C
  {
    Ras api;
    EXPECT_EQ(api.ValidateEntryName(nullptr, name.c_str()), 0u) << "a new valid name";
    MakeEntry(api, name, "0120-00-1234");
  }
  Ras api;
  EXPECT_EQ(api.ValidateEntryName(nullptr, name.c_str()), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(api.ValidateEntryName(nullptr, ".hidden"), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(api.ValidateEntryName(nullptr, "a\\b"), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(api.ValidateEntryName(nullptr, ""), static_cast<DWORD>(ERROR_INVALID_NAME));

  RASENTRYA entry{};
  entry.dwSize = sizeof entry;
  DWORD size = sizeof entry, devsize = 1;
  BYTE dev[1];
  ASSERT_EQ(api.GetEntryProperties(nullptr, name.c_str(), &entry, &size, dev, &devsize), 0u);
  EXPECT_STREQ(entry.szLocalPhoneNumber, "0120-00-1234");
  EXPECT_EQ(entry.dwfOptions, 0x618u);
  EXPECT_EQ(entry.szDeviceName, modem_);
  RASDIALPARAMSA params{};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, name.c_str());
  BOOL has_password = FALSE;
  ASSERT_EQ(api.GetEntryDialParams(nullptr, &params, &has_password), 0u);
  EXPECT_STREQ(params.szUserName, "pcsignup");
  EXPECT_STREQ(params.szPassword, "tqwmzhle");
  EXPECT_TRUE(has_password);

  entry.dwSize = 1767;
  EXPECT_EQ(api.SetEntryProperties(nullptr, "x", &entry, sizeof entry, nullptr, 0),
            static_cast<DWORD>(ERROR_INVALID_SIZE));
  params.dwSize = 1052 - 4;
  EXPECT_EQ(api.SetEntryDialParams(nullptr, &params, FALSE),
            static_cast<DWORD>(ERROR_INVALID_SIZE));

  EXPECT_EQ(api.DeleteEntry(nullptr, name.c_str()), 0u);
  EXPECT_EQ(api.DeleteEntry(nullptr, name.c_str()),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  entry.dwSize = sizeof entry;
  size = sizeof entry;
  EXPECT_EQ(api.GetEntryProperties(nullptr, name.c_str(), &entry, &size, dev, &devsize),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
  EXPECT_TRUE(ras_.Entries().empty()) << "the tool sees the phone book empty again";
}

TEST_F(RasSimTest, DialGoesThroughTheStatesOnePerPollAndTellsTheNotifierFirst) {
  Ras api;
  MakeEntry(api, "ORVEL parlanza signup", "0120-00-1234");
  HRASCONN h = Dial(api, "ORVEL parlanza signup", "T0,0120-00-1234");
  ASSERT_NE(h, 0u);
  const std::vector<int> expected = {RASCS_OpenPort,
                                     RASCS_PortOpened,
                                     RASCS_ConnectDevice,
                                     RASCS_DeviceConnected,
                                     RASCS_AllDevicesConnected,
                                     RASCS_Authenticate,
                                     RASCS_AuthNotify,
                                     RASCS_AuthProject,
                                     RASCS_Authenticated,
                                     RASCS_Projected,
                                     RASCS_Connected};
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(api.Poll(h), expected[i]) << "poll " << i;
    auto notices = Notices();
    ASSERT_EQ(notices.size(), i + 1) << "the notifier has been told before the poll returns";
    EXPECT_EQ(notices.back().state, expected[i]);
    EXPECT_EQ(notices.back().handle, h);
    EXPECT_EQ(notices.back().message, static_cast<UINT>(WM_RASDIALEVENT));
    EXPECT_NE(notices.back().thread, std::this_thread::get_id()) << "on a thread of its own";
  }
  EXPECT_EQ(api.Poll(h), RASCS_Connected) << "a connected handle stays connected";
  EXPECT_EQ(Notices().size(), expected.size()) << "no more notices once connected";

  RASPPPIPA ip{};
  ip.dwSize = sizeof ip;
  DWORD cb = sizeof ip;
  EXPECT_EQ(api.GetProjectionInfo(h, RASP_PppIp, &ip, &cb), 0u);
  EXPECT_NE(ip.szIpAddress[0], '\0');

  auto dial = ras_.LastDial();
  ASSERT_TRUE(dial.has_value());
  EXPECT_EQ(dial->phone, "T0,0120-00-1234") << "the number as dialled";
  EXPECT_EQ(dial->user, "pcsignup");
  EXPECT_EQ(dial->password, "tqwmzhle");
  EXPECT_EQ(dial->device_name, modem_);
  EXPECT_TRUE(dial->entry_existed);
  EXPECT_EQ(dial->entry_phone, "0120-00-1234");
  EXPECT_EQ(dial->entry_options, 0x618u);
  EXPECT_EQ(dial->entry_framing, static_cast<DWORD>(RASFP_Ppp));
  EXPECT_EQ(dial->entry_user, "pcsignup");
}

TEST_F(RasSimTest, DialErrorsReachTheNotifierBeforeThePollThatRevealsThem) {
  ASSERT_TRUE(ras_.SetOutcome("error 691 --extended 7 --second 678"));
  Ras api;
  MakeEntry(api, "dial", "123");
  HRASCONN h = Dial(api, "dial", "");
  DWORD error = 0;
  int state = -1;
  for (int i = 0; i < 20 && error == 0; ++i) state = api.Poll(h, &error);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_AUTHENTICATION_FAILURE));
  EXPECT_EQ(state, RASCS_Authenticate) << "an account is refused while authenticating";
  auto notices = Notices();
  ASSERT_GE(notices.size(), 2u);
  EXPECT_EQ(notices[notices.size() - 2].error, static_cast<DWORD>(ERROR_AUTHENTICATION_FAILURE));
  EXPECT_EQ(notices[notices.size() - 2].extended, 7u);
  EXPECT_EQ(notices.back().error, static_cast<DWORD>(ERROR_NO_ANSWER)) << "the second error";
  EXPECT_EQ(api.Poll(h, &error), RASCS_Authenticate) << "a failed dial stays where it failed";
  EXPECT_TRUE(api.Connections().empty()) << "a failed dial is not an active connection";
  EXPECT_EQ(ras_.LastDial()->phone, "123") << "an empty number dials the entry's";

  ASSERT_TRUE(ras_.SetOutcome("error 676"));
  HRASCONN busy = Dial(api, "dial", "");
  error = 0;
  for (int i = 0; i < 20 && error == 0; ++i) api.Poll(busy, &error);
  EXPECT_EQ(Notices().back().state, RASCS_ConnectDevice) << "a busy line shows while dialling";

  char text[256];
  ASSERT_EQ(api.GetErrorString(676, text, sizeof text), 0u);
  EXPECT_STREQ(text, "The line is busy.");
  ASSERT_EQ(api.GetErrorString(691, text, sizeof text), 0u);
  EXPECT_STREQ(text,
               "Access was denied because the username and/or password was invalid on the domain.");
  EXPECT_NE(api.GetErrorString(59999, text, sizeof text), 0u) << "unknown codes fail";
  EXPECT_NE(api.GetErrorString(676, text, 5), 0u) << "a short buffer fails";
}

TEST_F(RasSimTest, DropsAndUnknownStatesFollowTheirOutcomes) {
  ASSERT_TRUE(ras_.SetOutcome("unknown-state --value 24"));
  ASSERT_TRUE(ras_.QueueOutcome("drop"));
  Ras api;
  MakeEntry(api, "dial", "123");
  HRASCONN h = Dial(api, "dial", "");
  std::vector<int> seen;
  for (int i = 0; i < 20 && (seen.empty() || seen.back() != RASCS_Connected); ++i)
    seen.push_back(api.Poll(h));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 24), 1) << "state 24 is shown once";
  EXPECT_EQ(seen.back(), RASCS_Connected) << "and the dial goes on to connect";

  HRASCONN dropped = Dial(api, "dial", "");
  int state = -1;
  DWORD error = 0;
  for (int i = 0; i < 20 && state != RASCS_Disconnected; ++i) state = api.Poll(dropped, &error);
  EXPECT_EQ(state, RASCS_Disconnected);
  EXPECT_EQ(error, 0u) << "a drop carries no error";
  EXPECT_EQ(Notices().back().state, RASCS_Disconnected);
  ASSERT_EQ(api.Connections().size(), 1u) << "only the first dial is an active connection";
  EXPECT_EQ(api.Connections()[0].hrasconn, h);
}

TEST_F(RasSimTest, AHeldDialStaysInItsStateUntilHungUp) {
  ASSERT_TRUE(ras_.SetOutcome("hold --at Authenticate"));
  Ras api;
  MakeEntry(api, "dial", "123");
  HRASCONN h = Dial(api, "dial", "");
  int state = -1;
  DWORD error = 0;
  for (int i = 0; i < 50; ++i) state = api.Poll(h, &error);
  EXPECT_EQ(state, RASCS_Authenticate) << "fifty polls later the dial still authenticates";
  EXPECT_EQ(error, 0u);
  ASSERT_EQ(api.Connections().size(), 1u) << "a held dial is an active connection";
  ASSERT_EQ(api.HangUp(h), 0u);
  for (int i = 0; i < 5 && state != -1; ++i) state = api.Poll(h);
  EXPECT_EQ(state, -1) << "hung up, the handle goes";
}

TEST_F(RasSimTest, ConnectionsOutliveTheLibraryAndHangUpEndsThemAfterTheConfiguredPolls) {
  HRASCONN h = 0;
  {
    Ras api;
    MakeEntry(api, "dial", "123");
    h = Dial(api, "dial", "");
    for (int i = 0; i < 3; ++i) api.Poll(h);
  }  // unloaded in the middle of the dial: its notifier thread has to be gone
  Ras api;
  auto listed = api.Connections();
  ASSERT_EQ(listed.size(), 1u) << "the dial survives the unload";
  EXPECT_STREQ(listed[0].szEntryName, "dial");
  EXPECT_EQ(api.Poll(h), RASCS_DeviceConnected) << "and goes on where it was";

  ASSERT_TRUE(ras_.SetHangUpPolls(3));
  EXPECT_EQ(api.HangUp(h), 0u);
  EXPECT_TRUE(api.Connections().empty()) << "a hung-up connection is no longer listed";
  DWORD rc = 0;
  EXPECT_EQ(api.Poll(h, nullptr, &rc), RASCS_Disconnected);
  EXPECT_EQ(api.Poll(h, nullptr, &rc), RASCS_Disconnected);
  api.Poll(h, nullptr, &rc);
  EXPECT_EQ(rc, static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "the third poll finds it gone";
  EXPECT_EQ(api.HangUp(h), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// A notifier that follows its own dial from the callback: it polls the connection for the next
// state and hangs up once the account is being checked. The library must neither wait for nor
// join the thread it is running on.
struct SelfDriven {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  std::vector<int> states;
  PFN_RasGetConnectStatusA poll = nullptr;
  PFN_RasHangUpA hang_up = nullptr;
};
SelfDriven* g_self = nullptr;

void SelfDrivingNotifier(HRASCONN handle, UINT, RASCONNSTATE state, DWORD, DWORD) {
  SelfDriven& s = *g_self;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.done) return;
    s.states.push_back(state);
  }
  if (state == RASCS_Authenticate) {
    s.hang_up(handle);
    std::lock_guard<std::mutex> lock(s.mutex);
    s.done = true;
    s.done_cv.notify_all();
    return;
  }
  RASCONNSTATUSA status{};
  status.dwSize = sizeof status;
  s.poll(handle, &status);
}

TEST_F(RasSimTest, ANotifierMayFollowAndHangUpItsOwnDialFromTheCallback) {
  SelfDriven self;
  g_self = &self;
  {
    Ras api;
    self.poll = api.GetConnectStatus;
    self.hang_up = api.HangUp;
    MakeEntry(api, "dial", "123");
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, "dial");
    HRASCONN h = 0;
    ASSERT_EQ(
        api.Dial(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&SelfDrivingNotifier), &h),
        0u);
    EXPECT_EQ(api.Poll(h), RASCS_OpenPort) << "the first poll starts the chain";
    {
      std::unique_lock<std::mutex> lock(self.mutex);
      self.done_cv.wait(lock, [&] { return self.done; });
    }
    EXPECT_EQ(self.states, (std::vector<int>{RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice,
                                             RASCS_DeviceConnected, RASCS_AllDevicesConnected,
                                             RASCS_Authenticate}));
    EXPECT_TRUE(api.Connections().empty()) << "hung up from the callback";

    // The next dial and the unload clean up the thread that ended its own dial.
    HRASCONN next = Dial(api, "dial", "");
    EXPECT_EQ(api.Poll(next), RASCS_OpenPort);
    EXPECT_EQ(api.HangUp(next), 0u);
  }
  g_self = nullptr;
}

TEST_F(RasSimTest, MoreThanTenConnectionsNeedTheirFullSize) {
  for (int i = 0; i < 12; ++i) ASSERT_NE(ras_.Connect("other " + std::to_string(i)), 0u);
  Ras api;
  std::vector<RASCONNA> ten(10);
  ten[0].dwSize = sizeof(RASCONNA);
  DWORD cb = sizeof(RASCONNA) * 10, count = 0;
  EXPECT_EQ(api.EnumConnections(ten.data(), &cb, &count),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(cb, 12u * 412u) << "the size needed for all of them";
  EXPECT_EQ(count, 12u);
  auto all = api.Connections();
  ASSERT_EQ(all.size(), 12u);
  EXPECT_STREQ(all[11].szEntryName, "other 11");
  ASSERT_TRUE(ras_.HangUp("all"));
  EXPECT_TRUE(api.Connections().empty());
}

TEST_F(RasSimTest, ARemovedModemFailsTheDialWhenThePortOpens) {
  Ras api;
  MakeEntry(api, "dial", "123");
  ASSERT_TRUE(ras_.RemoveDevice(modem_));
  HRASCONN h = Dial(api, "dial", "");
  DWORD error = 0;
  EXPECT_EQ(api.Poll(h, &error), RASCS_OpenPort);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PORT_NOT_AVAILABLE));
  RASDIALPARAMSA params{};
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "missing");
  HRASCONN none = 0;
  EXPECT_EQ(api.Dial(nullptr, nullptr, &params, 1, reinterpret_cast<LPVOID>(&Notifier), &none),
            static_cast<DWORD>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
}

}  // namespace
