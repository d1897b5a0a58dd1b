// The provider's deployment data as this machine's system source holds it, set at install time
// without a rebuild: on Windows the values of the key HKEY_LOCAL_MACHINE\Software\Orvel\Signup
// (the MSI installer writes them from its properties), on Linux the lines "Name=Value" of the
// file /etc/signup/deployment.conf (SIGNUP_DEPLOYMENT names another file). Which names exist
// and what a value must look like is the caller's (res/deployment.h).
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class DeploymentProblem {
  kNone,
  kMalformed,   // a line that is not "Name=Value", or not UTF-8
  kNotText,     // a registry value that is not a string
  kUnreadable,  // the source as a whole (DeploymentSource::problem)
};

struct DeploymentEntry {
  std::string name;   // CP932; empty for a malformed line
  std::string value;  // CP932
  std::string where;  // the file and line ("/etc/signup/deployment.conf:3"), or the key
  DeploymentProblem problem = DeploymentProblem::kNone;
};

struct DeploymentSource {
  std::string where;                                     // the file or the key, for messages
  std::vector<DeploymentEntry> entries;                  // in the source's order
  DeploymentProblem problem = DeploymentProblem::kNone;  // kUnreadable: no entries could be read
  std::string detail;                                    // why not (English)
};

// Reads the source; called once at start-up (res::LoadDeployment) and by regtool deployment. A
// missing file or key is a source without entries. In the file, blank lines and lines starting
// with "#" are left out, and blanks around names and values are not part of them. In the key,
// an empty value is left out: the installer writes one for every property it was not given.
DeploymentSource ReadDeploymentSource();

}  // namespace platform
