// Tests of the time-outs the transport gives each request: the connect time-out follows how the
// machine is online, over the LAN or through a dial-up modem of the simulated library.
#include <gtest/gtest.h>

#include "net/Transport.h"
#include "platform/wininet.h"
#include "support/ras_fixture.h"

namespace {

DWORD ConnectTimeoutChosen() { return net::Transport::ConnectTimeoutMs(); }

}  // namespace

TEST(TransportTimeoutsTest, ADialUpConnectionUpGivesTheModemConnectTimeout) {
  test::RasFixture ras;
  DWORD flags = 0;
  ASSERT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags & (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM),
            static_cast<DWORD>(INTERNET_CONNECTION_LAN));
  EXPECT_EQ(ConnectTimeoutChosen(), 10000u) << "over the LAN";

  ASSERT_NE(ras.Connect("Provider"), 0u);
  ASSERT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags & (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM),
            static_cast<DWORD>(INTERNET_CONNECTION_MODEM))
      << "a dial-up connection is up: " << flags;
  EXPECT_EQ(ConnectTimeoutChosen(), 20000u) << "through the modem";

  ASSERT_TRUE(ras.HangUp("all"));
  ASSERT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_FALSE(flags & INTERNET_CONNECTION_MODEM) << "hung up, the LAN is left";
}
