// The provider stand-in's servers: signup with wished accounts and entry codes, recovery,
// communication IDs, form decoding, and the fault kinds the transport must survive.
#include <gtest/gtest.h>

#include <string>

#include "platform/wininet.h"
#include "support/provider_fixture.h"

namespace {

std::string Escape(const std::string& value) { return test::FormEscape(value); }

class ProviderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(provider_.ok()) << provider_.error(); }

  // POSTs a body through the WinInet layer and returns the status and body of the reply.
  std::string Post(const std::string& path, const std::string& body, DWORD* status = nullptr) {
    HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(provider_.http_port()),
                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "POST", path.c_str(), nullptr, nullptr,
                                         nullptr, INTERNET_FLAG_RELOAD, 0);
    HttpAddRequestHeadersA(request, "Content-Type: application/x-www-form-urlencoded\r\n",
                           0xFFFFFFFF, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    std::string reply;
    if (HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()), body.size())) {
      DWORD code = 0, size = sizeof code;
      HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                     nullptr);
      if (status) *status = code;
      char buffer[2048];
      DWORD got = 0;
      while (InternetReadFile(request, buffer, sizeof buffer, &got) && got > 0)
        reply.append(buffer, got);
    } else if (status) {
      *status = 0;
    }
    InternetCloseHandle(session);
    return reply;
  }

  // The value after a reply key, up to the line end.
  static std::string Value(const std::string& reply, const std::string& key) {
    size_t at = reply.find("\n" + key);
    if (at == std::string::npos) {
      if (reply.rfind(key, 0) != 0) return "<missing>";
      at = 0;
    } else {
      ++at;
    }
    at += key.size();
    return reply.substr(at, reply.find('\n', at) - at);
  }

  // A signup form as the program sends it: values escaped one by one.
  std::string SignupForm(const std::string& acc1, const std::string& acc2 = "",
                         const std::string& acc3 = "", const std::string& code = "#-     ") {
    std::string address = test::Sjis("東京都千代田区1-1 ハイツ101");
    address.resize(93, ' ');
    address += code;
    return "qxid=" + Escape("0123456789abcdef") + "&lastname=" + Escape(test::Sjis("山田")) +
           "&firtname=" + Escape(test::Sjis("太郎")) +
           "&kana_lastname=" + Escape(test::Sjis("ﾔﾏﾀﾞ")) +
           "&kana_firstname=" + Escape(test::Sjis("ﾀﾛｳ")) +
           "&zipcode1=100&zipcode2=0001&address=" + Escape(address) +
           "&T1=03&T2=1234&T3=5678&sex=male&year=1980&month=4&day=1&1st_acc=" + Escape(acc1) +
           "&2nd_acc=" + Escape(acc2) + "&3rd_acc=" + Escape(acc3);
  }

  test::ProviderFixture provider_;
};

TEST_F(ProviderTest, SignupAllocatesTheFirstFreeValidWishedAccount) {
  ASSERT_TRUE(provider_.AddAccount("taken", "pw"));
  std::string reply = Post("/signup_pc/signup_pc.cgi", SignupForm("Bad Name", "taken", "hanako"));
  EXPECT_EQ(Value(reply, "00:"), "1.0");
  EXPECT_EQ(Value(reply, "01:"), "OK") << reply;
  EXPECT_EQ(Value(reply, "03:"), "hanako") << "an invalid and a taken wish are skipped";
  EXPECT_EQ(Value(reply, "04:").size(), 10u) << "a login longer than the client's field takes";
  EXPECT_EQ(Value(reply, "10:"), "hanako@example.ne.jp");
  for (const char* key : {"05:", "06:", "07:", "08:", "09:", "11:", "12:", "13:", "14:"})
    EXPECT_NE(Value(reply, key), "<missing>") << key;

  std::string again = Post("/signup_pc/signup_pc.cgi", SignupForm("hanako"));
  EXPECT_EQ(Value(again, "01:"), "NG");
  EXPECT_NE(again.find("\n98:\n"), std::string::npos);
  EXPECT_NE(again.find("(2)\n99:"), std::string::npos) << "error 2 when no wish is free";
  EXPECT_NE(again.find(test::Sjis("ご希望のアカウント")), std::string::npos)
      << "the message is Shift-JIS text";
}

TEST_F(ProviderTest, SignupChecksTheEntryCodeTag) {
  EXPECT_EQ(Value(Post("/signup_pc/signup_pc.cgi", SignupForm("aaa1", "", "", "#12-345")), "01:"),
            "OK")
      << "a known code";
  EXPECT_EQ(Value(Post("/signup_pc/signup_pc.cgi", SignupForm("aaa2", "", "", "#-     ")), "01:"),
            "OK")
      << "no code at all";
  std::string reply = Post("/signup_pc/signup_pc.cgi", SignupForm("aaa3", "", "", "#12-346"));
  EXPECT_NE(reply.find("(3)\n99:"), std::string::npos) << reply;

  std::string shorter = SignupForm("aaa4");
  shorter.replace(shorter.find("%20%20%20%20"), 3, "");
  EXPECT_NE(Post("/signup_pc/signup_pc.cgi", shorter).find("(4)"), std::string::npos)
      << "the address field must be 100 bytes";
}

TEST_F(ProviderTest, FormValuesArePercentDecodedOnlySoPlusStaysAPlus) {
  ASSERT_TRUE(provider_.AddAccount("plus", "a+b&c=d;e"));
  std::string good = Post("/profile_pc/rst/QXSRst_PCEIA.cgi",
                          "user_id=plus&login_password=" + Escape("a+b&c=d;e"));
  EXPECT_EQ(Value(good, "01:"), "OK") << good;
  std::string raw_plus =
      Post("/profile_pc/rst/QXSRst_PCEIA.cgi", "user_id=plus&login_password=a%2Bb%26c%3Dd%3Be");
  EXPECT_EQ(Value(raw_plus, "01:"), "OK");
  std::string space =
      Post("/profile_pc/rst/QXSRst_PCEIA.cgi", "user_id=plus&login_password=a b%26c%3Dd%3Be");
  EXPECT_EQ(Value(space, "01:"), "NG") << "a blank is not a plus";
}

TEST_F(ProviderTest, RecoveryAndCommunicationIdFollowTheAccount) {
  std::string signup = Post("/signup_pc/signup_pc.cgi", SignupForm("jiro"));
  ASSERT_EQ(Value(signup, "01:"), "OK");
  const std::string password = Value(signup, "04:");

  std::string wrong = Post("/profile_pc/rst/QXSRst_PCEIA.cgi", "user_id=jiro&login_password=x");
  EXPECT_NE(wrong.find("(5)\n99:"), std::string::npos) << "a wrong password is refused";

  std::string recovered =
      Post("/profile_pc/rst/QXSRst_PCEIA.cgi", "user_id=jiro&login_password=" + Escape(password));
  EXPECT_EQ(Value(recovered, "03:"), "jiro");
  EXPECT_EQ(Value(recovered, "13:"), Value(signup, "13:")) << "the same mail password";
  EXPECT_EQ(Value(recovered, "17:"), "<missing>") << "no communication ID yet";

  const std::string nick = test::Sjis("たろう&=+");
  const std::string form =
      "s_id=jiro&comm_id=&comm_password=&login_id=jiro&login_password=" + Escape(password) +
      "&n_name=" + Escape(nick);
  std::string issued = Post("/cmtool/menu/PC_IDGetEIA.cgi", form);
  EXPECT_EQ(Value(issued, "01:"), "OK") << issued;
  EXPECT_NE(Value(issued, "17:"), "<missing>");
  EXPECT_EQ(Value(issued, "19:"), nick) << "the nickname comes back byte for byte";
  EXPECT_EQ(Value(issued, "03:"), "<missing>") << "no network information here";

  EXPECT_NE(Post("/cmtool/menu/PC_IDGetEIA.cgi", form).find("(7)\n99:"), std::string::npos)
      << "one communication ID per account";

  std::string later =
      Post("/profile_pc/rst/QXSRst_PCEIA.cgi", "user_id=jiro&login_password=" + Escape(password));
  EXPECT_EQ(Value(later, "17:"), Value(issued, "17:")) << "recovery returns the ID";
  EXPECT_EQ(Value(later, "18:"), Value(issued, "18:"));
  EXPECT_NE(Value(later, "32:"), "<missing>");
}

TEST_F(ProviderTest, FaultsShapeTheReplyAndCountDown) {
  ASSERT_TRUE(provider_.AddAccount("fault", "pw"));
  const std::string path = "/profile_pc/rst/QXSRst_PCEIA.cgi";
  const std::string form = "user_id=fault&login_password=pw";

  ASSERT_TRUE(provider_.SetFault(path, {test::FaultKind::kLong, 1, 0, 0, 3000}));
  std::string longer = Post(path, form);
  EXPECT_EQ(longer.size(), 3000u);
  EXPECT_EQ(Value(longer, "03:"), "fault") << "a long reply is the real one, padded";

  ASSERT_TRUE(provider_.SetFault(path, {test::FaultKind::kPieces, 1, 0, 1}));
  EXPECT_EQ(Value(Post(path, form), "01:"), "OK") << "pieces add up to the reply";

  ASSERT_TRUE(provider_.SetFault(path, {test::FaultKind::kMalformed}));
  EXPECT_EQ(Post(path, form).find("00:"), std::string::npos);

  ASSERT_TRUE(provider_.SetFault(path, {test::FaultKind::kEmpty}));
  DWORD status = 0;
  EXPECT_EQ(Post(path, form, &status), "");
  EXPECT_EQ(status, 200u);

  ASSERT_TRUE(provider_.SetFault(path, {test::FaultKind::kStatus, 2, 404}));
  Post(path, form, &status);
  EXPECT_EQ(status, 404u);
  Post(path, form, &status);
  EXPECT_EQ(status, 404u);
  EXPECT_EQ(Value(Post(path, form, &status), "01:"), "OK") << "the fault ran out after two";

  ASSERT_TRUE(provider_.SetFault("*", {test::FaultKind::kStatus, 0, 500}));
  Post("/signup_pc/kiyaku.txt", "", &status);
  EXPECT_EQ(status, 500u);
  Post(path, form, &status);
  EXPECT_EQ(status, 500u) << "count 0 lasts until cleared";
  ASSERT_TRUE(provider_.ClearFaults());
  Post(path, form, &status);
  EXPECT_EQ(status, 200u);

  EXPECT_FALSE(provider_.SetFault(path, {static_cast<test::FaultKind>(99)}))
      << "unknown kinds are refused";
}

TEST_F(ProviderTest, RequestLogKeepsEveryRequestInOrder) {
  Post("/signup_pc/signup_pc.cgi", std::string("a=\x82\xa0\n\0z", 7));
  Post("/nowhere", "x");
  auto requests = provider_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].body, std::string("a=\x82\xa0\n\0z", 7)) << "binary-safe bodies";
  EXPECT_EQ(requests[1].target, "/nowhere") << "unknown paths are recorded too";
  ASSERT_TRUE(provider_.ClearRequests());
  EXPECT_TRUE(provider_.Requests().empty());
}

}  // namespace
