// The Windows build's platform tests (platform_win_tests.exe) under Wine, against the provider
// stand-in with its test CA and tinyproxy running here on loopback; and HTTPS trusted through
// Wine's certificate store, first refused (12045), then answered, by WinInet and by signup.exe.
#include <gtest/gtest.h>

#include "support/https_provider.h"
#include "support/proxy_fixture.h"
#include "wine_run.h"

namespace {

const char kProxyUser[] = "signup";
const char kProxyPassword[] = "proxy-secret";
const char kSilentPath[] = "/silent";

class WinePlatformTest : public test::HttpsProviderSuite {
 protected:
  static void SetUpTestSuite() {
    HttpsProviderSuite::SetUpTestSuite();
    proxy_ = new test::ProxyFixture(kProxyUser, kProxyPassword);
  }
  static void TearDownTestSuite() {
    delete proxy_;
    proxy_ = nullptr;
    HttpsProviderSuite::TearDownTestSuite();
  }
  void SetUp() override {
    SKIP_WITHOUT_WINE();
    HttpsProviderSuite::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(proxy_->ok()) << proxy_->error();
    run = std::make_unique<wine::WineRun>();
    const std::pair<const char*, std::string> env[] = {
        {"SIGNUP_TEST_HTTP_PORT", std::to_string(provider_->http_port())},
        {"SIGNUP_TEST_HTTPS_PORT", std::to_string(provider_->https_port())},
        {"SIGNUP_TEST_EXPIRED_PORT", std::to_string(provider_->expired_port())},
        {"SIGNUP_TEST_WRONG_HOST_PORT", std::to_string(provider_->wrong_host_port())},
        {"SIGNUP_TEST_SILENT_PATH", kSilentPath},
        {"SIGNUP_TEST_CLOSED_PORT", std::to_string(test::FreeLoopbackPort())},
        {"SIGNUP_TEST_PROXY", proxy_->Address()},
        {"SIGNUP_TEST_PROXY_USER", kProxyUser},
        {"SIGNUP_TEST_PROXY_PASSWORD", kProxyPassword},
    };
    for (const auto& [name, value] : env) run->SetEnv(name, value);
  }

  // Runs the Windows tests the filter names; every one of them must run and pass.
  void ExpectWindowsTestsPass(const std::string& filter) {
    const test::ProgramResult r = run->Run("platform_win_tests.exe", {"--gtest_filter=" + filter});
    EXPECT_EQ(r.exit, 0) << filter << "\n"
                         << r.out << r.err << "tinyproxy's log:\n"
                         << proxy_->Log();
    EXPECT_EQ(r.out.find("[  SKIPPED ]"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[  PASSED  ]"), std::string::npos) << r.out;
  }

  static test::ProxyFixture* proxy_;
  std::unique_ptr<wine::WineRun> run;
};

test::ProxyFixture* WinePlatformTest::proxy_ = nullptr;

TEST_F(WinePlatformTest, TextRegistryAndDialupLayoutTestsPass) {
  ExpectWindowsTestsPass("Win32Codepage.*:Win32Registry.*:Win32RasLayout.*");
}

TEST_F(WinePlatformTest, RegtoolExportsWhatItImportedAndTakesJapaneseArguments) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Signup";
  // In name order, the order Wine's registry lists values in (Windows keeps the order written).
  const std::string reg = "REGEDIT4\n\n[" + key +
                          "]\n\"Blob\"=hex:00,01,ff\n\"Count\"=dword:0000002a\n"
                          "\"Name\"=\"山田\"\n\"Path\"=hex(2):25,00\n\n";
  const std::string file = run->dir().File("signup.reg");
  ASSERT_TRUE(test::WriteFile(file, reg));
  const test::ProgramResult imported = run->Regtool({"import", wine::WindowsPath(file)});
  ASSERT_EQ(imported.exit, 0) << imported.err;
  test::ProgramResult exported = run->Regtool({"export", key});
  // A text file on Windows ends its lines with CR LF.
  std::erase(exported.out, '\r');
  EXPECT_EQ(exported.out, reg) << "an export imports back byte for byte";

  ASSERT_EQ(run->Regtool({"set", key, "Kana", "sz", "ヤマダ"}).exit, 0);
  EXPECT_EQ(run->Get(key, "Kana").value_or("<missing>"), "ヤマダ")
      << "arguments arrive as UTF-8 whatever the system's code page";
  EXPECT_EQ(run->Regtool({"get", key, "Missing"}).exit, 1);
}

TEST_F(WinePlatformTest, WininetTestsPassAgainstTheProviderAndTinyproxy) {
  ASSERT_TRUE(provider_->SetFault(kSilentPath, {test::FaultKind::kSilent, 0}));
  ASSERT_TRUE(provider_->ClearRequests());
  ExpectWindowsTestsPass("Win32Wininet.*-*Certificates*");
  ASSERT_TRUE(provider_->ClearFaults());
  bool posted = false;
  for (const test::RecordedRequest& r : provider_->Requests()) {
    if (r.method != "POST") continue;
    posted = true;
    EXPECT_EQ(r.body, "WINE_POST=%8ER%93c") << "the body went out byte for byte";
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
  }
  EXPECT_TRUE(posted) << "the provider received the form";
}

TEST_F(WinePlatformTest, HttpsIsTrustedThroughTheCertificateStore) {
  const std::string ca = wine::WindowsPath(ca_->ca_cert());
  run->SetEnv("SIGNUP_TEST_CA_TRUSTED", "0");
  ExpectWindowsTestsPass("*Certificates*");

  const test::ProgramResult added = run->Run("cert_store.exe", {"add", ca});
  ASSERT_EQ(added.exit, 0) << added.err;
  run->SetEnv("SIGNUP_TEST_CA_TRUSTED", "1");
  ExpectWindowsTestsPass("*Certificates*");

  // The whole signup over HTTPS, as the deployed server URLs are.
  ASSERT_TRUE(run->AddModem("Wine Modem"));
  // The certificates name "localhost"; Wine does not match an IP address to them.
  ASSERT_TRUE(
      run->SetServers("https://localhost:" + std::to_string(provider_->https_port()) + "/"));
  const wine::FlowResult r = run->Play(wine::NewSignup("<LAN接続>", false));
  EXPECT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  wine::ExpectStoredSignup(*run);

  EXPECT_EQ(run->Run("cert_store.exe", {"remove", ca}).exit, 0);
}

}  // namespace
