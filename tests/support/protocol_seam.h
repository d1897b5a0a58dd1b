// The server protocol's internals (request, reply parsing, forms, identity) in the tests' reach,
// on ServerProtocol or on an object derived from it (ProtocolSeamOf<CSignApp>).
#pragma once

#include "net/ServerProtocol.h"

namespace test {

template <class Base>
struct ProtocolSeamOf : Base {
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
using ProtocolSeam = ProtocolSeamOf<ServerProtocol>;

}  // namespace test
