// The server protocol with its internals in the tests' reach: the bare request, the reply
// parsing, the forms and the machine identity, which the program uses only inside the
// transactions.
#pragma once

#include "net/ServerProtocol.h"

namespace test {

struct ProtocolSeam : ServerProtocol {
  using ServerProtocol::AdoptNetworkInfo;
  using ServerProtocol::BuildRecoveryForm;
  using ServerProtocol::BuildSignupForm;
  using ServerProtocol::CheckReply;
  using ServerProtocol::ComputeMachineId;
  using ServerProtocol::ExtractReplyValue;
  using ServerProtocol::kAccountFields;
  using ServerProtocol::kCommIdFields;
  using ServerProtocol::ParseReply;
  using ServerProtocol::PostForm;
  using ServerProtocol::ReadRegistration;
  using ServerProtocol::ReplyTextToPlain;
};

}  // namespace test
