// The account transactions with the signup and profile servers: signup, recovery and the
// communication-ID request; each leaves its outcome in the last server result.
#include "net/Forms.h"
#include "net/ServerProtocol.h"
#include "res/resources.h"

std::string ServerProtocol::BuildSignupForm() {
  machineId = ComputeMachineId();
  const std::string address = net::SignupAddressField(Address1, Address2, EntryCode, EntryCode2);
  // The form's own format gives the order; the user's entries come by their form keys.
  return net::EncodeForm(res::String(IDS_SIGNUP_FORM), [&](std::string_view key) {
    if (key == "qxid") return std::string_view(machineId);
    if (key == "address") return std::string_view(address);
    const UserField* field = FindUserFieldByFormKey(key);
    return field != nullptr ? std::string_view(this->*field->member) : std::string_view();
  });
}

bool ServerProtocol::RunSignup() {
  std::string body = BuildSignupForm();
  std::string reply;
  if (!PostForm(signupServerUrl, res::String(IDS_SIGNUP_CGI), body, reply)) {
    lastServerResult = -1;
    return false;
  }
  int result = ParseReply(reply, kAccountFields);
  if (result == 0) AdoptNetworkInfo();
  lastServerResult = result;
  return true;
}

bool ServerProtocol::RunRecovery(std::string& rawReply) {
  std::string body = BuildRecoveryForm();
  std::string reply;
  int result = -1;
  if (PostForm(profileServerUrl, res::String(IDS_RECOVERY_CGI), body, reply)) {
    rawReply = reply;
    result = ParseReply(reply, kAccountFields);
    if (result == 0) AdoptNetworkInfo();
  }
  lastServerResult = result;
  return result == 0;
}

int ServerProtocol::RequestCommunicationId(const std::string& commId,
                                           const std::string& commPassword,
                                           const std::string& loginId,
                                           const std::string& loginPassword,
                                           const std::string& commName) {
  std::string body =
      net::EncodeForm(res::String(IDS_COMM_ID_FORM),
                      {loginId, commId, commPassword, loginId, loginPassword, commName});
  std::string reply;
  if (!PostForm(profileServerUrl, res::String(IDS_COMM_ID_CGI), body, reply)) {
    lastServerResult = -1;
    return lastServerResult;
  }
  lastServerResult = ParseReply(reply, kCommIdFields);
  if (lastServerResult == 0) {
    Comm_name = replyFields[19];
    Comm_id = replyFields[17];
    Comm_data = replyFields[18];
  }
  return lastServerResult;
}
