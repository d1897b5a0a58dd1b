// The provider's own data, set at install time without a rebuild: the server base URLs, the
// toll-free access number, the signup and recovery dial accounts and the mail domain of the
// mail-account notice. The machine's deployment source (platform/deployment.h) may hold each of
// them; a valid value replaces the string-table text of its number for String() and LoadString(),
// so its callers need not know where it came from. Per-user settings still win where the program
// has them (the Servers key for the URLs, NetInfo's FreeAP for the access number).
#pragma once

#include <string>
#include <vector>

#include "platform/deployment.h"
#include "platform/win32.h"

namespace res {

// A deployment value and where it comes from: its name in the file and the registry key, the
// installer's property that sets it, and the string number whose text it replaces.
struct DeploymentName {
  const char* name;      // "SignupServer"
  const char* property;  // "SIGNUPSERVER"
  UINT stringId;
};
const std::vector<DeploymentName>& DeploymentNames();

// A value the program does not use, and why (CP932).
struct DeploymentRefusal {
  std::string name, value, where, reason;
};
// A value in use, as the source gave it (CP932).
struct DeployedValue {
  std::string name, value, where;
};

// Reads this machine's deployment source and takes its valid values: called once by the
// application at start-up, before it loads its settings, and by regtool deployment. A value that
// is refused keeps the string table's text. Returns the refusals in the source's order (nothing
// is written anywhere).
std::vector<DeploymentRefusal> LoadDeployment();
// The same for a given source (tests); a source replaces what an earlier one set.
std::vector<DeploymentRefusal> ApplyDeployment(const platform::DeploymentSource& source);
// The values taken from the source, in the order of DeploymentNames.
std::vector<DeployedValue> DeployedValues();
// The value the program uses for `name` now: the deployed one, else the built-in one (for
// MailDomain the domain, not the notice). For regtool deployment.
std::string DeploymentValueInUse(const DeploymentName& name);
// The message that tells the user which values were refused and why, for a message box.
std::string DeploymentMessage(const std::vector<DeploymentRefusal>& refusals);

// The deployed text of string `id`, for the string table; false when the table's own holds.
bool DeployedString(UINT id, std::string& out);

}  // namespace res
