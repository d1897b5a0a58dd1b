// The account transactions with the signup and profile servers: signup, recovery and the
// communication-ID request; each leaves its outcome in the last server result.
#include "app/SignApp.h"
#include "app/SignSettings.h"
#include "net/Forms.h"
#include "res/resources.h"

namespace {

// The profile server's base URL, held by the application object this record belongs to.
std::string ProfileServerUrl(CSignSettings* settings) {
  CSignApp* app = dynamic_cast<CSignApp*>(settings);
  if (!app) app = CSignApp::Get();
  return app ? app->profileServerUrl : std::string();
}

}  // namespace

std::string CSignApp::BuildSignupForm() {
  machineId = ComputeMachineId();
  std::string address = net::SignupAddressField(Address1, Address2, EntryCode, EntryCode2);
  return net::EncodeForm(res::String(14014),
                         {machineId, Name, Name2, Kana, Kana2, Zip, Zip2, address, Tel, Tel2, Tel3,
                          Sex, Age, Age2, Age3, MekoID, MekoID2, MekoID3});
}

bool CSignApp::RunSignup() {
  std::string body = BuildSignupForm();
  std::string reply;
  if (!PostForm(signupServerUrl, res::String(14013), body, reply)) {
    lastServerResult = -1;
    return false;
  }
  int result = ParseReply(reply);
  if (result == 0) AdoptNetworkInfo();
  lastServerResult = result;
  return true;
}

bool CSignSettings::RunRecovery(std::string& rawReply) {
  std::string body = BuildRecoveryForm();
  std::string reply;
  int result = -1;
  if (PostForm(ProfileServerUrl(this), res::String(14016), body, reply)) {
    rawReply = reply;
    result = ParseReply(reply);
    if (result == 0) AdoptNetworkInfo();
  }
  lastServerResult = result;
  return result == 0;
}

int CSignSettings::RequestCommunicationId(const std::string& commId,
                                          const std::string& commPassword,
                                          const std::string& loginId,
                                          const std::string& loginPassword,
                                          const std::string& commName) {
  std::string body = net::EncodeForm(
      res::String(14019), {loginId, commId, commPassword, loginId, loginPassword, commName});
  std::string reply;
  if (!PostForm(ProfileServerUrl(this), res::String(14020), body, reply)) {
    lastServerResult = -1;
    return lastServerResult;
  }
  lastServerResult = ParseReply(reply);
  if (lastServerResult == 0) {
    Comm_name = replyFields[19];
    Comm_id = replyFields[17];
    Comm_data = replyFields[18];
  }
  return lastServerResult;
}
