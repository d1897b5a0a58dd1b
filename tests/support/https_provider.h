// A test suite's shared HTTPS world: a throw-away CA and the provider stand-in serving HTTP and
// HTTPS with the good, expired and wrong-host certificates made by it.
#pragma once

#include <gtest/gtest.h>

#include "support/provider_fixture.h"
#include "support/test_ca.h"

namespace test {

// Derive a suite's fixture from it; the suite's tests share one CA and one provider.
class HttpsProviderSuite : public ::testing::Test {
 protected:
  // Makes the CA, then starts the provider with its certificates. A suite that starts more
  // servers declares its own and calls this first.
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  // Fails the test when the CA or the provider could not be made; a derived SetUp calls it first
  // and returns on HasFatalFailure().
  void SetUp() override;

  static TestCa* ca_;
  static ProviderFixture* provider_;
};

}  // namespace test
