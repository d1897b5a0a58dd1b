// Linux implementation of deployment.h: the lines of /etc/signup/deployment.conf, a conffile of
// the Debian package, or of the file SIGNUP_DEPLOYMENT names.
#include "platform/deployment.h"

#include <cstdlib>
#include <string_view>

#include "platform/codepage.h"
#include "platform/read_file.h"

namespace platform {
namespace {

constexpr char kSystemFile[] = "/etc/signup/deployment.conf";
// Far more than a dozen values need; a larger file is not a deployment file.
constexpr size_t kMaxFileSize = 64 * 1024;

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t length = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
    i += length;
  }
  return true;
}

}  // namespace

DeploymentSource ReadDeploymentSource() {
  DeploymentSource source;
  const char* chosen = std::getenv("SIGNUP_DEPLOYMENT");
  source.where = chosen != nullptr && *chosen != '\0' ? chosen : kSystemFile;
  std::string text;
  const ReadFileResult read = ReadRegularFile(source.where, kMaxFileSize, &text);
  if (read == ReadFileResult::kNotFound) return source;
  if (read != ReadFileResult::kOk) {
    source.problem = DeploymentProblem::kUnreadable;
    source.detail = ReadFileProblem(read, kMaxFileSize);
    return source;
  }
  std::string_view rest = text;
  for (int line = 1; !rest.empty(); ++line) {
    const size_t end = rest.find('\n');
    const std::string_view raw = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::string_view content = Trim(raw);
    if (content.empty() || content.front() == '#') continue;
    DeploymentEntry entry;
    entry.where = source.where + ":" + std::to_string(line);
    const size_t equals = content.find('=');
    const std::string_view name = Trim(content.substr(0, equals));
    if (equals == std::string_view::npos || name.empty() || !IsUtf8(content)) {
      entry.problem = DeploymentProblem::kMalformed;
    } else {
      entry.name = Utf8ToAnsi(name);
      entry.value = Utf8ToAnsi(Trim(content.substr(equals + 1)));
    }
    source.entries.push_back(std::move(entry));
  }
  return source;
}

}  // namespace platform
