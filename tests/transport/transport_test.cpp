// The HTTP transport against the provider stand-in over loopback: every fault the provider can
// inject, the read cap, downloads with and without a callback, HTTPS certificate checks, and
// server URLs that are not http or https.
#include "net/Transport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/wininet.h"
#include "support/https_provider.h"
#include "support/loopback_server.h"
#include "support/test_support.h"

namespace {

constexpr char kRecoveryPath[] = "/profile_pc/rst/QXSRst_PCEIA.cgi";
constexpr char kTermsPath[] = "/signup_pc/kiyaku.txt";
constexpr char kRecoveryForm[] = "user_id=taro&login_password=secret";

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
    calls.clear();
    g_calls = &calls;
  }
  void TearDown() override { g_calls = nullptr; }

  // One recovery POST of the stand-in's account.
  net::Reply Post() {
    return net::Transport(options).PostForm(provider_->HttpUrl(), kRecoveryPath, kRecoveryForm);
  }
  net::Reply PostTo(const std::string& url) {
    return net::Transport(options).PostForm(url, kRecoveryPath, "x=1");
  }
  net::Reply Download(const std::string& url, const net::ChunkReceiver& receiver = nullptr) {
    return net::Transport(options).Download(url, receiver);
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
  net::TransportOptions options;
  std::vector<Call> calls;
};

}  // namespace

TEST_F(NetTransportTest, AnErrorStatusFailsThePostWithThatStatus) {
  for (int status : {302, 404, 500}) {
    Fault(kRecoveryPath, test::FaultKind::kStatus, status);
    const net::Reply r = Post();
    EXPECT_FALSE(r.ok) << status;
    EXPECT_EQ(r.error, status);
    EXPECT_EQ(r.body, "") << "no reply text for status " << status;
  }
}

TEST_F(NetTransportTest, ASilentServerEndsInTheReceiveTimeout) {
  options.receiveTimeoutMs = 300;
  // The server holds the request far beyond the client's time-out (until it is stopped).
  Fault(kRecoveryPath, test::FaultKind::kSilent, 500, 600000);
  const net::Reply r = Post();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, ERROR_INTERNET_TIMEOUT);
}

TEST_F(NetTransportTest, ACutReplyIsAFailureWithItsCode) {
  Fault(kRecoveryPath, test::FaultKind::kCut);
  const net::Reply r = Post();
  EXPECT_FALSE(r.ok) << "half a reply is not taken for a whole one";
  EXPECT_EQ(r.error, ERROR_INTERNET_CONNECTION_ABORTED) << "the read's code";
}

TEST_F(NetTransportTest, AReplyInPiecesOrWithoutLengthIsReadWhole) {
  const net::Reply whole = Post();
  ASSERT_TRUE(whole.ok);
  ASSERT_NE(whole.body.find("\n14:smtp.example.ne.jp\n"), std::string::npos)
      << "the reply ends with the SMTP host";
  for (test::FaultKind kind : {test::FaultKind::kPieces, test::FaultKind::kChunked}) {
    Fault(kRecoveryPath, kind, 500, 50);
    const net::Reply r = Post();
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.body, whole.body);
  }
}

TEST_F(NetTransportTest, ALongReplyIsCutAt2048Bytes) {
  Fault(kRecoveryPath, test::FaultKind::kLong, 500, 0, 3000);
  const net::Reply r = Post();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.body.size(), 2048u);
}

TEST_F(NetTransportTest, UrlsThatAreNotHttpFailWithoutAnyRequest) {
  for (const char* url : {"ftp://127.0.0.1/", "file:///etc/", "127.0.0.1:80/", "", "http:/x"}) {
    EXPECT_EQ(PostTo(url).error, ERROR_INTERNET_UNRECOGNIZED_SCHEME) << url;
    const net::Reply r = Download(url);
    EXPECT_EQ(r.bytes, 0u) << url;
    EXPECT_EQ(r.error, ERROR_INTERNET_UNRECOGNIZED_SCHEME) << url;
  }
  EXPECT_EQ(PostTo("http://127.0.0.1:70000/").error, ERROR_INTERNET_INVALID_URL);
  EXPECT_TRUE(provider_->Requests().empty());
}

TEST_F(NetTransportTest, NobodyListeningIsCannotConnect) {
  const net::Reply r = PostTo("http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()) + "/");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(NetTransportTest, ADownloadDeliversChunksThenOneEndOfData) {
  const net::Reply r = Download(TermsUrl(), RecordCall);
  ASSERT_GT(r.bytes, 2048u) << "the terms need more than one read";
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
  EXPECT_EQ(joined.size(), r.bytes);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.error, 0);

  const net::Reply whole = Download(TermsUrl());
  EXPECT_EQ(whole.bytes, r.bytes);
  EXPECT_EQ(whole.body, joined) << "the whole-document read gives the same text";
  test::RecordedRequest request = provider_->Requests().back();
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, kTermsPath);
}

TEST_F(NetTransportTest, ADownloadReadErrorEndsWithOneFailureCall) {
  Fault(kTermsPath, test::FaultKind::kCut);
  const net::Reply r = Download(TermsUrl(), RecordCall);
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
  EXPECT_EQ(r.bytes, delivered);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, ERROR_INTERNET_CONNECTION_ABORTED);
}

TEST_F(NetTransportTest, ADownloadWithAnErrorStatusReadsNothingAndKeepsTheStatusLine) {
  Fault(kTermsPath, test::FaultKind::kStatus, 404);
  // A code left by some earlier call is not this download's.
  SetLastError(ERROR_FILE_NOT_FOUND);
  const net::Reply r = Download(TermsUrl(), RecordCall);
  EXPECT_EQ(r.bytes, 0u);
  EXPECT_EQ(r.statusText, "404 Not Found");
  EXPECT_EQ(r.error, 404) << "the status, not a stale code, tells the reason";
  EXPECT_TRUE(calls.empty()) << "the callback is not called";
}

TEST_F(NetTransportTest, ADownloadWithoutLengthReadsAtMost65536Bytes) {
  Fault(kTermsPath, test::FaultKind::kChunked);
  const net::Reply chunked = Download(TermsUrl());
  EXPECT_GT(chunked.bytes, 0u);
  EXPECT_LE(chunked.bytes, 65536u);
  EXPECT_EQ(Download(TermsUrl()).body, chunked.body);
}

TEST_F(NetTransportTest, AnEmptyDocumentIsZeroBytesAndOneEndCall) {
  Fault(kTermsPath, test::FaultKind::kEmpty);
  EXPECT_EQ(Download(TermsUrl(), RecordCall).bytes, 0u);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].status, 1);
}

TEST_F(NetTransportTest, HttpsChecksTheCertificateUnlessToldToIgnoreThatFault) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  EXPECT_TRUE(PostTo(provider_->HttpsUrl()).ok);
  EXPECT_EQ(PostTo(provider_->ExpiredUrl()).error, ERROR_INTERNET_SEC_CERT_DATE_INVALID);
  EXPECT_EQ(PostTo(provider_->WrongHostUrl()).error, ERROR_INTERNET_SEC_CERT_CN_INVALID);

  options.certificateTolerance = 0x1000;
  EXPECT_TRUE(PostTo(provider_->WrongHostUrl()).ok) << "0x1000 lets a wrong host name pass";
  EXPECT_EQ(PostTo(provider_->ExpiredUrl()).error, ERROR_INTERNET_SEC_CERT_DATE_INVALID);

  options.certificateTolerance = 0x2000;
  EXPECT_TRUE(PostTo(provider_->ExpiredUrl()).ok) << "0x2000 lets an expired certificate pass";
  test::ScopedEnv pipe("SIGNUP_CA_BUNDLE", ca_->ca_cert() + ".fifo");
  ASSERT_EQ(mkfifo((ca_->ca_cert() + ".fifo").c_str(), 0600), 0);
  const net::Reply fifo = PostTo(provider_->HttpsUrl());
  EXPECT_FALSE(fifo.ok) << "not read";
  EXPECT_EQ(fifo.error, ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
}

TEST_F(NetTransportTest, AUserChosenOfflineModeIsLeftSilentlyForARequest) {
  INTERNET_CONNECTED_INFO offline = {INTERNET_STATE_DISCONNECTED_BY_USER, ISO_FORCE_DISCONNECTED};
  ASSERT_TRUE(
      InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &offline, sizeof(offline)));
  ASSERT_TRUE(net::Transport::IsOfflineByUser());
  const net::Reply r = Post();
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_FALSE(net::Transport::IsOfflineByUser())
      << "the request switched the state back to connected";
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
  const net::Reply r = Download(endless.HttpUrl() + "signup_pc/kiyaku.txt", CountCall);
  EXPECT_GT(r.bytes, 0u);
  EXPECT_LE(r.bytes, 64u << 20);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().status, -1) << "the download ends as a failed one";
  EXPECT_EQ(r.error, -1) << "refused like a document too large to hold";
}
