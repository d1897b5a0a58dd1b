// The WinInet layer over HTTPS: certificate checks against the test CA, and the two request
// flags that relax only the host-name or only the date check.
#include <gtest/gtest.h>

#include <string>

#include "platform/wininet.h"
#include "support/https_provider.h"

namespace {

class WininetTlsTest : public test::HttpsProviderSuite {
 protected:
  // Sends a GET for the terms over HTTPS; returns 0 when sent, else the error.
  static DWORD Get(int port, DWORD flags, DWORD* status = nullptr) {
    HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(port),
                                            nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        HttpOpenRequestA(connection, "GET", "/signup_pc/kiyaku.txt", nullptr, nullptr, nullptr,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE | flags, 0);
    DWORD error = 0;
    if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
      error = GetLastError();
    } else if (status) {
      DWORD size = sizeof *status;
      HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &size,
                     nullptr);
    }
    InternetCloseHandle(session);
    return error;
  }
};

TEST_F(WininetTlsTest, GoodCertificateFromTheNamedBundlePasses) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  DWORD status = 0;
  EXPECT_EQ(Get(provider_->https_port(), 0, &status), 0u);
  EXPECT_EQ(status, 200u);
}

TEST_F(WininetTlsTest, UnknownAuthorityIsAnInvalidCaEvenWithBothRelaxations) {
  // The system's bundle does not know the test CA.
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", std::nullopt);
  EXPECT_EQ(Get(provider_->https_port(), 0), static_cast<DWORD>(ERROR_INTERNET_INVALID_CA));
  EXPECT_EQ(Get(provider_->https_port(),
                INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID),
            static_cast<DWORD>(ERROR_INTERNET_INVALID_CA));
}

TEST_F(WininetTlsTest, ExpiredCertificateFailsUnlessDatesAreIgnored) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  const int port = provider_->expired_port();
  EXPECT_EQ(Get(port, 0), static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_DATE_INVALID));
  EXPECT_EQ(Get(port, INTERNET_FLAG_IGNORE_CERT_CN_INVALID),
            static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_DATE_INVALID))
      << "ignoring the host name does not excuse the date";
  DWORD status = 0;
  EXPECT_EQ(Get(port, INTERNET_FLAG_IGNORE_CERT_DATE_INVALID, &status), 0u);
  EXPECT_EQ(status, 200u);
}

TEST_F(WininetTlsTest, WrongHostCertificateFailsUnlessTheNameIsIgnored) {
  test::ScopedEnv bundle("SIGNUP_CA_BUNDLE", ca_->ca_cert());
  const int port = provider_->wrong_host_port();
  EXPECT_EQ(Get(port, 0), static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID));
  EXPECT_EQ(Get(port, INTERNET_FLAG_IGNORE_CERT_DATE_INVALID),
            static_cast<DWORD>(ERROR_INTERNET_SEC_CERT_CN_INVALID))
      << "ignoring dates does not excuse the host name";
  DWORD status = 0;
  EXPECT_EQ(Get(port, INTERNET_FLAG_IGNORE_CERT_CN_INVALID, &status), 0u);
  EXPECT_EQ(status, 200u);
}

TEST_F(WininetTlsTest, PlainHttpToAnHttpsPortIsAnInvalidServerResponse) {
  HINTERNET session = InternetOpenA("t", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", static_cast<INTERNET_PORT>(provider_->https_port()),
                       nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request =
      HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
  EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
  DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_HTTP_INVALID_SERVER_RESPONSE ||
              error == ERROR_INTERNET_CONNECTION_RESET)
      << error;
  InternetCloseHandle(session);
}

}  // namespace
