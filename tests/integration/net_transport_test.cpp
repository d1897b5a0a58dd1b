// The HTTP transport against the provider stand-in over loopback: every fault the provider can
// inject, the read cap, downloads with and without a callback, HTTPS certificate checks, and
// server URLs that are not http or https.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/SignApp.h"
#include "platform/wininet.h"
#include "support/https_provider.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace {

constexpr char kRecoveryPath[] = "/profile_pc/rst/QXSRst_PCEIA.cgi";
constexpr char kTermsPath[] = "/signup_pc/kiyaku.txt";

// What the download callback saw, in order.
struct Call {
  int status;
  std::string chunk;
};
std::vector<Call>* g_calls = nullptr;
void RecordCall(int status, std::string chunk) { g_calls->push_back({status, std::move(chunk)}); }
// Keeps only the status and the size of each call, for downloads too large to keep.
void CountCall(int status, std::string chunk) {
  g_calls->push_back({status, std::to_string(chunk.size())});
}

class NetTransportTest : public test::HttpsProviderSuite {
 protected:
  void SetUp() override {
    HttpsProviderSuite::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(provider_->ClearFaults());
    ASSERT_TRUE(provider_->ClearRequests());
    ASSERT_TRUE(provider_->AddAccount("taro", "secret"));
    app.signupServerUrl = provider_->HttpUrl();
    app.profileServerUrl = provider_->HttpUrl();
    app.LoginID = "taro";
    app.LoginPasswd = "secret";
    calls.clear();
    g_calls = &calls;
  }
  void TearDown() override { g_calls = nullptr; }

  // One recovery POST; the reply as PostForm returned it.
  bool Post(std::string& reply) {
    return app.PostForm(app.profileServerUrl, kRecoveryPath, app.BuildRecoveryForm(), reply);
  }
  void Fault(const std::string& path, test::FaultKind kind, int status = 500, int ms = 0,
             int size = 3000) {
    test::Fault fault;
    fault.kind = kind;
    fault.status = status;
    fault.ms = ms;
    fault.size = size;
    ASSERT_TRUE(provider_->SetFault(path, fault));
  }
  std::string TermsUrl() const { return provider_->HttpUrl() + "signup_pc/kiyaku.txt"; }

  test::TempDir dir;
  test::ScopedEnv registry{"SIGNUP_REGISTRY", dir.File("registry.db")};
  test::NoDesktopProxy noProxy;
  CSignApp app;
  std::vector<Call> calls;
};

}  // namespace

TEST_F(NetTransportTest, AnErrorStatusFailsThePostWithThatStatus) {
  for (int status : {302, 404, 500}) {
    Fault(kRecoveryPath, test::FaultKind::kStatus, status);
    std::string reply = "old";
    EXPECT_FALSE(Post(reply)) << status;
    EXPECT_EQ(app.LastTransportError(), status);
    EXPECT_EQ(reply, "old") << "no reply text for status " << status;
  }
  Fault(kRecoveryPath, test::FaultKind::kStatus, 404);
  std::string raw;
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, -1);
}

TEST_F(NetTransportTest, ASilentServerEndsInTheReceiveTimeout) {
  app.receiveTimeoutMs = 300;
  // The server holds the request far beyond the client's time-out (until it is stopped).
  Fault(kRecoveryPath, test::FaultKind::kSilent, 500, 600000);
  std::string reply;
  EXPECT_FALSE(Post(reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_TIMEOUT);
}

TEST_F(NetTransportTest, ACutReplyIsAFailureWithItsCode) {
  Fault(kRecoveryPath, test::FaultKind::kCut);
  std::string raw;
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, -1) << "half a reply is not taken for a whole one";
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_CONNECTION_ABORTED) << "the read's code";
}

TEST_F(NetTransportTest, AMalformedOrEmptyReplyIsResultMinusTwo) {
  std::string raw;
  Fault(kRecoveryPath, test::FaultKind::kMalformed);
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, -2);
  EXPECT_EQ(app.LastTransportError(), 0);
  Fault(kRecoveryPath, test::FaultKind::kEmpty);
  EXPECT_FALSE(app.RunRecovery(raw));
  EXPECT_EQ(app.lastServerResult, -2);
}

TEST_F(NetTransportTest, AReplyInPiecesOrWithoutLengthIsReadWhole) {
  std::string whole;
  ASSERT_TRUE(Post(whole));
  ASSERT_NE(whole.find("\n14:smtp.example.ne.jp\n"), std::string::npos)
      << "the reply ends with the SMTP host";

  for (test::FaultKind kind : {test::FaultKind::kPieces, test::FaultKind::kChunked}) {
    Fault(kRecoveryPath, kind, 500, 50);
    std::string reply;
    ASSERT_TRUE(Post(reply));
    EXPECT_EQ(reply, whole);
  }
  Fault(kRecoveryPath, test::FaultKind::kPieces, 500, 50);
  std::string raw;
  EXPECT_TRUE(app.RunRecovery(raw));
  EXPECT_EQ(app.Smtp_host, "smtp.example.ne.jp") << "the last line came with the last piece";
}

TEST_F(NetTransportTest, ALongReplyIsCutAt2048Bytes) {
  Fault(kRecoveryPath, test::FaultKind::kLong, 500, 0, 3000);
  std::string reply;
  ASSERT_TRUE(Post(reply));
  EXPECT_EQ(reply.size(), 2048u);
  std::string raw;
  Fault(kRecoveryPath, test::FaultKind::kLong, 500, 0, 3000);
  EXPECT_TRUE(app.RunRecovery(raw)) << "the keys within the first 2048 bytes still count";
  EXPECT_EQ(app.replyFields[15].size(), 257u) << "the padding line is cut to 257 characters";
}

TEST_F(NetTransportTest, UrlsThatAreNotHttpFailWithoutAnyRequest) {
  for (const char* url : {"ftp://127.0.0.1/", "file:///etc/", "127.0.0.1:80/", "", "http:/x"}) {
    std::string reply;
    EXPECT_FALSE(app.PostForm(url, kRecoveryPath, "x=1", reply)) << url;
    EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_UNRECOGNIZED_SCHEME) << url;
    std::string body, status;
    EXPECT_EQ(app.DownloadDocument(url, body, status, nullptr), 0) << url;
    EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_UNRECOGNIZED_SCHEME) << url;
  }
  std::string reply;
  EXPECT_FALSE(app.PostForm("http://127.0.0.1:70000/", kRecoveryPath, "x=1", reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_INVALID_URL);
  EXPECT_TRUE(provider_->Requests().empty());
}

TEST_F(NetTransportTest, NobodyListeningIsCannotConnect) {
  std::string reply;
  EXPECT_FALSE(app.PostForm("http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/",
                            kRecoveryPath, "x=1", reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(NetTransportTest, ADownloadDeliversChunksThenOneEndOfData) {
  std::string body, status;
  int total = app.DownloadDocument(TermsUrl(), body, status, RecordCall);
  ASSERT_GT(total, 2048) << "the terms need more than one read";
  ASSERT_GE(calls.size(), 2u);
  std::string joined;
  for (size_t i = 0; i + 1 < calls.size(); ++i) {
    EXPECT_EQ(calls[i].status, 0);
    EXPECT_GT(calls[i].chunk.size(), 0u);
    EXPECT_LE(calls[i].chunk.size(), 2048u);
    joined += calls[i].chunk;
  }
  EXPECT_EQ(calls.back().status, 1);
  EXPECT_EQ(calls.back().chunk, "");
  EXPECT_EQ(static_cast<int>(joined.size()), total);
  EXPECT_EQ(app.LastTransportError(), 0);

  std::string whole;
  EXPECT_EQ(app.DownloadDocument(TermsUrl(), whole, status, nullptr), total);
  EXPECT_EQ(whole, joined) << "the whole-document read gives the same text";
  test::RecordedRequest request = provider_->Requests().back();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, kTermsPath);
}

TEST_F(NetTransportTest, ADownloadReadErrorEndsWithOneFailureCall) {
  Fault(kTermsPath, test::FaultKind::kCut);
  std::string body, status;
  int total = app.DownloadDocument(TermsUrl(), body, status, RecordCall);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().status, -1);
  EXPECT_EQ(calls.back().chunk, "");
  int failures = 0, ends = 0;
  size_t delivered = 0;
  for (const Call& call : calls) {
    failures += call.status == -1;
    ends += call.status == 1;
    delivered += call.chunk.size();
  }
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(static_cast<size_t>(total), delivered);
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST_F(NetTransportTest, ADownloadWithAnErrorStatusReadsNothingAndKeepsTheStatusLine) {
  Fault(kTermsPath, test::FaultKind::kStatus, 404);
  std::string body, status;
  // A code left by some earlier call is not this download's.
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(app.DownloadDocument(TermsUrl(), body, status, RecordCall), 0);
  EXPECT_EQ(status, "404 Not Found");
  EXPECT_EQ(app.LastTransportError(), 404) << "the status, not a stale code, tells the reason";
  EXPECT_TRUE(calls.empty()) << "the callback is not called";
}

TEST_F(NetTransportTest, ADownloadWithoutLengthReadsAtMost65536Bytes) {
  Fault(kTermsPath, test::FaultKind::kChunked);
  std::string chunkedBody, status;
  int total = app.DownloadDocument(TermsUrl(), chunkedBody, status, nullptr);
  EXPECT_GT(total, 0);
  EXPECT_LE(total, 65536);
  std::string plainBody;
  EXPECT_EQ(app.DownloadDocument(TermsUrl(), plainBody, status, nullptr), total);
  EXPECT_EQ(chunkedBody, plainBody);
}

TEST_F(NetTransportTest, AnEmptyDocumentIsZeroBytesAndOneEndCall) {
  Fault(kTermsPath, test::FaultKind::kEmpty);
  std::string body, status;
  EXPECT_EQ(app.DownloadDocument(TermsUrl(), body, status, RecordCall), 0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].status, 1);
}

TEST_F(NetTransportTest, HttpsChecksTheCertificateUnlessToldToIgnoreThatFault) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  std::string reply;
  EXPECT_TRUE(app.PostForm(provider_->HttpsUrl(), kRecoveryPath, app.BuildRecoveryForm(), reply))
      << app.LastTransportError();

  EXPECT_FALSE(app.PostForm(provider_->ExpiredUrl(), kRecoveryPath, "x=1", reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_SEC_CERT_DATE_INVALID);
  EXPECT_FALSE(app.PostForm(provider_->WrongHostUrl(), kRecoveryPath, "x=1", reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_SEC_CERT_CN_INVALID);

  app.ProtocolVer = 0x1000;
  EXPECT_TRUE(app.PostForm(provider_->WrongHostUrl(), kRecoveryPath, "x=1", reply))
      << "0x1000 lets a wrong host name pass: " << app.LastTransportError();
  EXPECT_FALSE(app.PostForm(provider_->ExpiredUrl(), kRecoveryPath, "x=1", reply));
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_SEC_CERT_DATE_INVALID);

  app.ProtocolVer = 0x2000;
  EXPECT_TRUE(app.PostForm(provider_->ExpiredUrl(), kRecoveryPath, "x=1", reply))
      << "0x2000 lets an expired certificate pass: " << app.LastTransportError();
  test::ScopedEnv pipe("SIGNUP_CA_BUNDLE", ca_->ca_cert() + ".fifo");
  ASSERT_EQ(mkfifo((ca_->ca_cert() + ".fifo").c_str(), 0600), 0);
  EXPECT_FALSE(app.PostForm(provider_->HttpsUrl(), kRecoveryPath, "x=1", reply)) << "not read";
  EXPECT_EQ(app.LastTransportError(), ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
}

TEST_F(NetTransportTest, AUserChosenOfflineModeIsLeftSilentlyForARequest) {
  INTERNET_CONNECTED_INFO offline = {INTERNET_STATE_DISCONNECTED_BY_USER, ISO_FORCE_DISCONNECTED};
  ASSERT_TRUE(
      InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &offline, sizeof(offline)));
  ASSERT_TRUE(app.IsOfflineByUser());
  std::string reply;
  EXPECT_TRUE(Post(reply)) << app.LastTransportError();
  EXPECT_FALSE(app.IsOfflineByUser()) << "the request switched the state back to connected";
}

TEST_F(NetTransportTest, ADownloadThatWillNotEndStopsAtTheDocumentCap) {
  // More than the 64 MiB cap, so that an uncapped download ends too, with everything.
  constexpr size_t kSent = 80u << 20;
  test::LoopbackServer endless([](test::LoopbackServer::Connection& c) {
    if (!c.Send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n")) return;
    const std::string block(64 * 1024, 'x');
    for (size_t sent = 0; sent < kSent && c.Send(block); sent += block.size()) {
    }
  });
  std::string body, status;
  int total =
      app.DownloadDocument(endless.HttpUrl() + "signup_pc/kiyaku.txt", body, status, CountCall);
  EXPECT_GT(total, 0);
  EXPECT_LE(total, 64 << 20);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().status, -1) << "the download ends as a failed one";
  EXPECT_EQ(app.LastTransportError(), -1) << "refused like a document too large to hold";
}
