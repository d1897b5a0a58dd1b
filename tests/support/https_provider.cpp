// The CA and provider shared by the tests of an HTTPS suite.
#include "support/https_provider.h"

namespace test {

TestCa* HttpsProviderSuite::ca_ = nullptr;
ProviderFixture* HttpsProviderSuite::provider_ = nullptr;

void HttpsProviderSuite::SetUpTestSuite() {
  ca_ = new TestCa();
  provider_ = new ProviderFixture(ca_);
}

void HttpsProviderSuite::TearDownTestSuite() {
  delete provider_;
  provider_ = nullptr;
  delete ca_;
  ca_ = nullptr;
}

void HttpsProviderSuite::SetUp() {
  ASSERT_TRUE(ca_->ok()) << "the test CA could not be made";
  ASSERT_TRUE(provider_->ok()) << provider_->error();
}

}  // namespace test
