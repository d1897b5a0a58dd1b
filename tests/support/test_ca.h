// A throw-away certificate authority for HTTPS tests: a CA and server certificates (good, expired,
// wrong host) written as PEM files into a private temporary folder.
#pragma once

#include <string>

#include "support/test_support.h"

namespace test {

class TestCa {
 public:
  // Creates the CA and the three server certificates (EC P-256 keys, made with OpenSSL).
  // ok() tells whether that worked.
  TestCa();
  TestCa(const TestCa&) = delete;
  TestCa& operator=(const TestCa&) = delete;

  bool ok() const { return ok_; }
  // The CA certificate: what SIGNUP_CA_BUNDLE names in the tests.
  std::string ca_cert() const { return dir_.File("ca.pem"); }
  // For 127.0.0.1 and localhost, valid now.
  std::string good_cert() const { return dir_.File("good.pem"); }
  std::string good_key() const { return dir_.File("good.key"); }
  // For 127.0.0.1 and localhost, expired yesterday.
  std::string expired_cert() const { return dir_.File("expired.pem"); }
  std::string expired_key() const { return dir_.File("expired.key"); }
  // Valid now, but only for the host wrong.example.
  std::string wrong_host_cert() const { return dir_.File("wronghost.pem"); }
  std::string wrong_host_key() const { return dir_.File("wronghost.key"); }

 private:
  TempDir dir_;
  bool ok_ = false;
};

}  // namespace test
