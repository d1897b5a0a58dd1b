// The account transactions against the provider stand-in over loopback: what reaches the server
// byte for byte (request line, headers, Shift-JIS form values, the address field), what comes back
// into the settings record, and the machine identity that a signup carries.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/SignApp.h"
#include "net/Sha1Digest.h"
#include "platform/registry.h"
#include "platform/wininet.h"
#include "res/resources.h"
#include "support/loopback_server.h"
#include "support/protocol_seam.h"
#include "support/provider_fixture.h"
#include "support/test_support.h"

namespace {

int Hex(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -100;
}

// The decoded value of a form key in a request body; nullopt when the key is absent.
std::optional<std::string> FormValue(const std::string& body, const std::string& key) {
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    std::string pair = body.substr(start, end - start);
    if (pair.rfind(key + "=", 0) == 0) {
      std::string out;
      for (size_t i = key.size() + 1; i < pair.size(); ++i) {
        if (pair[i] == '%' && i + 2 < pair.size() && Hex(pair[i + 1]) >= 0 &&
            Hex(pair[i + 2]) >= 0) {
          out.push_back(static_cast<char>(Hex(pair[i + 1]) * 16 + Hex(pair[i + 2])));
          i += 2;
        } else {
          out.push_back(pair[i]);
        }
      }
      return out;
    }
    start = end + 1;
  }
  return std::nullopt;
}

class NetTransactionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { provider_ = new test::ProviderFixture(); }
  static void TearDownTestSuite() { delete provider_; }

  void SetUp() override {
    ASSERT_TRUE(provider_->ok()) << provider_->error();
    ASSERT_TRUE(provider_->ClearFaults());
    ASSERT_TRUE(provider_->ClearRequests());
    app.signupServerUrl = provider_->HttpUrl();
    app.profileServerUrl = provider_->HttpUrl();
  }

  // The one request the provider received since SetUp.
  test::RecordedRequest OnlyRequest() {
    std::vector<test::RecordedRequest> requests = provider_->Requests();
    EXPECT_EQ(requests.size(), 1u) << "exactly one request reached the server";
    return requests.empty() ? test::RecordedRequest{} : requests.front();
  }

  void ExpectFraming(const test::RecordedRequest& request, const std::string& path) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, path);
    EXPECT_EQ(request.Header("User-Agent"), res::String(14009));
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()));
  }

  void FillSignupUser(const std::string& account) {
    app.Name = test::Sjis(u8"山田");
    app.Name2 = test::Sjis(u8"太郎");
    app.Kana = test::Sjis(u8"ﾔﾏﾀﾞ");
    app.Kana2 = test::Sjis(u8"ﾀﾛｳ");
    app.Zip = "123";
    app.Zip2 = "4567";
    app.Address1 = test::Sjis(u8"東京都千代田区1-2-3");
    app.Address2 = test::Sjis(u8"メゾン101");
    app.Tel = "03";
    app.Tel2 = "1234";
    app.Tel3 = "5678";
    app.Sex = "male";
    app.Age = "1980";
    app.Age2 = "4";
    app.Age3 = "1";
    app.MekoID = account;
    app.EntryCode = "12";
    app.EntryCode2 = "345";
  }

  static test::ProviderFixture* provider_;
  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  test::ProtocolSeamOf<CSignApp> app;
};

test::ProviderFixture* NetTransactionsTest::provider_ = nullptr;

}  // namespace

TEST_F(NetTransactionsTest, ASignupSendsTheFormInShiftJisAndAdoptsTheNetworkInformation) {
  FillSignupUser("yamada80");
  ASSERT_TRUE(app.RunSignup()) << "transport error " << app.LastTransportError();
  EXPECT_EQ(app.lastServerResult, 0) << test::Utf8(app.serverMessage);
  EXPECT_EQ(app.LoginID, "yamada80");
  EXPECT_FALSE(app.LoginPasswd.empty());
  EXPECT_EQ(app.PrimaryDNS, "192.0.2.53");
  EXPECT_EQ(app.E_mail, "yamada80@example.ne.jp");

  test::RecordedRequest request = OnlyRequest();
  ExpectFraming(request, "/signup_pc/signup_pc.cgi");
  EXPECT_EQ(request.body.rfind("qxid=" + app.machineId + "&lastname=%8ER%93c&firtname=", 0), 0u)
      << request.body;
  EXPECT_NE(request.body.find("&kana_lastname=%D4%CF%C0%DE&"), std::string::npos)
      << "half-width katakana are single Shift-JIS bytes";
  EXPECT_EQ(FormValue(request.body, "firtname"), test::Sjis(u8"太郎"));
  EXPECT_EQ(FormValue(request.body, "sex"), "male");
  EXPECT_EQ(FormValue(request.body, "1st_acc"), "yamada80");
  EXPECT_EQ(FormValue(request.body, "2nd_acc"), "");

  std::optional<std::string> address = FormValue(request.body, "address");
  ASSERT_TRUE(address.has_value());
  ASSERT_EQ(address->size(), 100u);
  std::string joined = app.Address1 + " " + app.Address2;
  EXPECT_EQ(address->substr(0, joined.size()), joined);
  EXPECT_EQ(address->substr(joined.size(), 93 - joined.size()),
            std::string(93 - joined.size(), ' '));
  EXPECT_EQ(address->substr(93), "#12-345") << "the entry-code tag sits at byte 93";
  EXPECT_NE(request.body.find("%20%20%2312-345&T1=03"), std::string::npos)
      << "blanks as %20 and the number sign as %23";
}

TEST_F(NetTransactionsTest, ASignupRefusedForItsEntryCodeReturnsTheServerNumber) {
  FillSignupUser("yamada81");
  app.EntryCode = "00";
  ASSERT_TRUE(app.RunSignup()) << "a refusal is still a reply";
  EXPECT_EQ(app.lastServerResult, 3);
  EXPECT_NE(app.serverMessage.find("(3)"), std::string::npos) << test::Utf8(app.serverMessage);
  EXPECT_EQ(app.serverMessage.find('<'), std::string::npos) << "markup is removed";
  EXPECT_EQ(app.LoginID, "") << "nothing is adopted from a refusal";
}

TEST_F(NetTransactionsTest, TheMachineIdentityIsTheDigestOfRegistrationAndUser) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, res::String(14002).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto put = [&](const char* name, const std::string& value, DWORD type) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  };
  put("ProductID", "55274-640-1234567-23456", REG_SZ);
  put("RegisteredOwner", test::Sjis(u8"山田太郎"), REG_SZ);
  put("RegisteredOrganization", "Orvel", REG_BINARY);
  RegCloseKey(key);

  char user[64] = {};
  DWORD size = sizeof(user);
  ASSERT_TRUE(GetUserNameA(user, &size));

  std::string productId, organization, owner;
  app.ReadRegistration(productId, organization, owner);
  EXPECT_EQ(productId, "55274-640-1234567-23456");
  EXPECT_EQ(owner, test::Sjis(u8"山田太郎"));
  EXPECT_EQ(organization, "") << "a value that is not REG_SZ counts as empty";

  std::string id = app.ComputeMachineId();
  EXPECT_EQ(id, Sha1Digest::Of("55274-640-1234567-23456" + test::Sjis(u8"山田太郎") + user));
  EXPECT_EQ(app.ComputeMachineId(), id) << "the same machine and user give the same identity";
}

TEST_F(NetTransactionsTest, TheMachineIdentityTakesProductOrganizationOwnerAndUserInThatOrder) {
  // All three values present as strings, and distinct, so that any other order shows.
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, res::String(14002).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string owner = test::Sjis(u8"山田太郎");
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"RegisteredOwner", owner},
                                    {"ProductID", "55274-640-1234567-23456"},
                                    {"RegisteredOrganization", "Orvel Inc."}}) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
  char user[64] = {};
  DWORD size = sizeof(user);
  ASSERT_TRUE(GetUserNameA(user, &size));

  const std::string text =
      "55274-640-1234567-23456"
      "Orvel Inc." +
      owner + user;
  EXPECT_EQ(app.ComputeMachineId(), Sha1Digest::Of(text)) << "digest of " << test::Utf8(text);
}

TEST_F(NetTransactionsTest, WithNoRegistrationTheIdentityDigestsTheUserNameAlone) {
  char user[64] = {};
  DWORD size = sizeof(user);
  ASSERT_TRUE(GetUserNameA(user, &size));
  EXPECT_EQ(app.ComputeMachineId(), Sha1Digest::Of(user));
  EXPECT_EQ(app.ComputeMachineId().size(), 40u);
}

TEST_F(NetTransactionsTest, ARecoveryReplacesTheLoginAndSendsAPasswordWithSeparatorsIntact) {
  ASSERT_TRUE(provider_->AddAccount("hanako", "p+w&d=x;y"));
  app.LoginID = "hanako";
  app.LoginPasswd = "p+w&d=x;y";
  std::string raw;
  EXPECT_TRUE(app.RunRecovery(raw))
      << "result " << app.lastServerResult << " transport " << app.LastTransportError();
  EXPECT_EQ(app.lastServerResult, 0);
  EXPECT_EQ(raw.rfind("00:1.0\n01:OK\n", 0), 0u) << raw;
  EXPECT_EQ(app.LoginID, "hanako");
  EXPECT_EQ(app.Pop_host, "pop.example.ne.jp");

  test::RecordedRequest request = OnlyRequest();
  ExpectFraming(request, "/profile_pc/rst/QXSRst_PCEIA.cgi");
  EXPECT_EQ(request.body, "user_id=hanako&login_password=p%2Bw%26d%3Dx%3By");
}

TEST_F(NetTransactionsTest, ARecoveryWithAWrongPasswordFailsWithTheServerNumber) {
  ASSERT_TRUE(provider_->AddAccount("jiro", "right"));
  app.LoginID = "jiro";
  app.LoginPasswd = "wrong";
  std::string raw;
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, 5);
  EXPECT_FALSE(raw.empty()) << "the raw reply is handed back also on a refusal";
  EXPECT_EQ(app.LoginID, "jiro") << "the login is kept";
}

TEST_F(NetTransactionsTest, ACommunicationIdRequestKeepsANicknameWithSeparators) {
  ASSERT_TRUE(provider_->AddAccount("saburo", "pw"));
  const std::string nickname = "a&b=c+d";
  EXPECT_EQ(app.RequestCommunicationId("", "", "saburo", "pw", nickname), 0)
      << test::Utf8(app.serverMessage);
  EXPECT_EQ(app.Comm_name, nickname) << "the server received and echoed the whole nickname";
  EXPECT_FALSE(app.Comm_id.empty());
  EXPECT_FALSE(app.Comm_data.empty());
  EXPECT_EQ(app.LoginID, "") << "the network information is not taken over";

  test::RecordedRequest request = OnlyRequest();
  ExpectFraming(request, "/cmtool/menu/PC_IDGetEIA.cgi");
  EXPECT_EQ(request.body,
            "s_id=saburo&comm_id=&comm_password=&login_id=saburo&login_password=pw&n_name=a%26b%"
            "3Dc%2Bd");
}

TEST_F(NetTransactionsTest, TransportFailuresBecomeResultMinusOne) {
  app.profileServerUrl = "gopher://127.0.0.1/";
  std::string raw = "untouched";
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, -1);
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  EXPECT_EQ(raw, "untouched");
  EXPECT_EQ(app.RequestCommunicationId("", "", "x", "y", "z"), -1);
  app.signupServerUrl = "";
  EXPECT_FALSE(app.RunSignup());
  EXPECT_EQ(app.lastServerResult, -1);
  EXPECT_TRUE(provider_->Requests().empty()) << "nothing was sent anywhere";
}

// How the stand-in's faults end a recovery: the transport's failures as -1 with their code, a reply
// of another format as -2, a reply in pieces or beyond the cap still read for its keys.
TEST_F(NetTransactionsTest, TheStandInsFaultsEndARecoveryWithTheirResultAndCode) {
  ASSERT_TRUE(provider_->AddAccount("taro", "secret"));
  app.profileServerUrl = provider_->HttpUrl();
  const struct {
    test::FaultKind kind;
    int result, error;
  } cases[] = {
      {test::FaultKind::kStatus, -1, 500},
      {test::FaultKind::kCut, -1, ERROR_INTERNET_CONNECTION_ABORTED},
      {test::FaultKind::kMalformed, -2, 0},
      {test::FaultKind::kEmpty, -2, 0},
      {test::FaultKind::kPieces, 0, 0},
      {test::FaultKind::kLong, 0, 0},
  };
  for (const auto& c : cases) {
    test::Fault fault;
    fault.kind = c.kind;
    fault.ms = 50;
    ASSERT_TRUE(provider_->SetFault("/profile_pc/rst/QXSRst_PCEIA.cgi", fault));
    app.LoginID = "taro";
    app.LoginPasswd = "secret";
    app.Smtp_host.clear();
    std::string raw;
    EXPECT_EQ(app.RunRecovery(raw), c.result == 0) << static_cast<int>(c.kind);
    EXPECT_EQ(app.lastServerResult, c.result) << static_cast<int>(c.kind);
    EXPECT_EQ(app.LastTransportError(), c.error) << static_cast<int>(c.kind);
    EXPECT_EQ(app.Smtp_host, c.result == 0 ? "smtp.example.ne.jp" : "") << "the last line";
  }
  EXPECT_EQ(app.replyFields[15].size(), 257u) << "the long reply's padding line is cut to 257";
}

// Replies no stand-in gives: the fields a success needs, keys at line starts, a failed read's code.
TEST_F(NetTransactionsTest, ASuccessCarriesItsFieldsAtLineStartsAndAFailedReadItsCode) {
  auto ok = [](const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  };
  const std::string head = "00:1.0\n01:OK\n", account = "03:u1\n04:pw\n";
  const struct {
    int transaction;  // signup, recovery, communication ID
    std::string http;
    int result;
  } cases[] = {
      {0, ok(std::string("00:1.0\n01:OK\0\n", 14) + account), -2},
      {0, ok(head + "02:" + std::string(2100, 'x') + "\n" + account), -2},  // beyond the cap
      {1, ok(head + "03:u1\n"), -2},
      {0, ok(head + "03:" + std::string(300, 'u') + "\n04:pw\n"), -2},  // longer than 257
      {2, ok(head + "17:C1\n"), -2},
      {1, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n" + head + account, -1},
      {0,
       ok(head + test::Sjis(u8"02:メンテナンス 12:00-13:00\n") + account +
          "05:2001:db8::06:1\n06:192.0.2.2\n12:pop.example\n13:mailpw\n"),
       0},
  };
  for (const auto& c : cases) {
    test::LoopbackServer server([&c](test::LoopbackServer::Connection& to) { to.Send(c.http); });
    app.signupServerUrl = app.profileServerUrl = server.HttpUrl();
    app.LoginID = "before";
    std::string raw;
    if (c.transaction == 0) app.RunSignup();
    if (c.transaction == 1) app.RunRecovery(raw);
    if (c.transaction == 2) app.RequestCommunicationId("", "", "before", "pw", "n");
    EXPECT_EQ(app.lastServerResult, c.result) << c.http.substr(0, 120);
    EXPECT_EQ(app.LastTransportError(), c.result == -1 ? ERROR_INTERNET_CONNECTION_ABORTED : 0);
    EXPECT_EQ(app.LoginID, c.result == 0 ? "u1" : "before") << "taken over only on success";
  }
  EXPECT_EQ(app.SecondaryDNS + " " + app.Pop_host + " " + app.Pop_password,
            "192.0.2.2 pop.example mailpw");
}
